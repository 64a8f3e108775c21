// The clock on every operating system: the standard library's steady clock
// and thread sleep.
#include <thread>

#include "platform/clock.h"

namespace p2a {

namespace {

class SystemClock : public Clock {
 public:
  Milliseconds now() override {
    return std::chrono::duration_cast<Milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
  }

  void pause(Milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

}  // namespace

std::unique_ptr<Clock> createSystemClock() { return std::make_unique<SystemClock>(); }

}  // namespace p2a
