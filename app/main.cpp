// Program entry: start-up, then the monitor loop for ever. A fault nothing
// else handles is reported on standard output and ends the program with its
// own exit code.
#include <exception>
#include <memory>
#include <string>

#include "app/alarm_sound.h"
#include "app/monitor_loop.h"
#include "app/start_up.h"
#include "commands/board_commands.h"
#include "packet_link/packet_transport.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/process_exit.h"
#include "platform/serial_port.h"
#include "platform/sound_player.h"
#include "platform/trace.h"

namespace {

[[noreturn]] void runProgram(p2a::Console& console) {
  std::unique_ptr<p2a::Clock> clock = p2a::createSystemClock();
  std::unique_ptr<p2a::ProcessExit> processExit = p2a::createSystemProcessExit();
  std::unique_ptr<p2a::SoundPlayer> soundPlayer = p2a::createSystemSoundPlayer();
  std::unique_ptr<p2a::SerialPort> commPort = p2a::createSystemSerialPort();
  p2a::Trace trace(console, p2a::DEBUG);

  p2a::initializeComm(console, *clock, *commPort, *processExit);

  p2a::PacketTransport transport(*commPort, *clock, console, trace, *processExit);
  p2a::BoardCommands board(transport, console, trace, *processExit);
  p2a::AlarmSound alarm(*clock, *soundPlayer, trace);
  p2a::MonitorLoop(board, alarm, *clock).run();
}

}  // namespace

int main() {
  std::unique_ptr<p2a::Console> console = p2a::createSystemConsole();
  try {
    runProgram(*console);
  } catch (const std::exception& fault) {
    p2a::writeLine(*console, std::string("Unhandled fault: ") + fault.what());
  } catch (...) {
    p2a::writeLine(*console, "Unhandled fault.");
  }
  return p2a::kUnhandledFaultExitCode;
}
