// The monitor loop: once a second, ask the board for the switch and, only
// when it is on, for motion; light the LED and sound the alarm when both
// hold, clear the LED otherwise; then send the keep-alive.
#pragma once

#include "app/alarm_sound.h"
#include "commands/board_commands.h"
#include "platform/clock.h"

namespace p2a {

class MonitorLoop {
 public:
  MonitorLoop(BoardCommands& board, AlarmSound& alarm, Clock& clock);

  // One cycle, ending with the pause before the next.
  void runCycle();

  // Cycles for ever; the program ends only when a command fails or from
  // outside.
  [[noreturn]] void run();

 private:
  BoardCommands& board_;
  AlarmSound& alarm_;
  Clock& clock_;
};

}  // namespace p2a
