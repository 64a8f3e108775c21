// Time as the program needs it: a monotonic reading in whole milliseconds and
// a pause of the calling thread.
#pragma once

#include <chrono>
#include <memory>

namespace p2a {

using Milliseconds = std::chrono::milliseconds;

class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds since an arbitrary fixed point; never goes back, whatever
  // happens to the wall clock.
  virtual Milliseconds now() = 0;

  virtual void pause(Milliseconds duration) = 0;
};

std::unique_ptr<Clock> createSystemClock();

}  // namespace p2a
