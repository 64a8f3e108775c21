// The endless polling cycle.
#include "app/monitor_loop.h"

namespace p2a {

namespace {
constexpr Milliseconds kCyclePause{1000};
}  // namespace

MonitorLoop::MonitorLoop(BoardCommands& board, AlarmSound& alarm, Clock& clock)
    : board_(board), alarm_(alarm), clock_(clock) {}

void MonitorLoop::runCycle() {
  if (board_.isSwitchOn() && board_.isMotionDetected()) {
    board_.ledOn();
    alarm_.playSound();
  } else {
    board_.ledOff();
  }
  board_.sendAliveMsg();
  clock_.pause(kCyclePause);
}

void MonitorLoop::run() {
  for (;;) runCycle();
}

}  // namespace p2a
