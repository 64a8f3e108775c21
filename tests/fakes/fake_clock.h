// A clock that only moves when the program pauses or a fake waits on it, so a
// five-second deadline costs no real time.
#pragma once

#include <vector>

#include "platform/clock.h"

namespace p2a::testing {

class FakeClock : public Clock {
 public:
  Milliseconds now() override { return now_; }
  void pause(Milliseconds duration) override {
    pauses.push_back(duration);
    now_ += duration;
  }
  void advance(Milliseconds duration) { now_ += duration; }

  std::vector<Milliseconds> pauses;

 private:
  Milliseconds now_{1'000'000};
};

}  // namespace p2a::testing
