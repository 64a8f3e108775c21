// The whole program above the platform layer, wired to fakes: a recording
// console, a fake clock, a scripted serial port and a recording sound player.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/alarm_sound.h"
#include "app/monitor_loop.h"
#include "commands/board_commands.h"
#include "packet_link/packet_format.h"
#include "packet_link/packet_transport.h"
#include "platform/trace.h"
#include "tests/fakes/fake_clock.h"
#include "tests/fakes/fake_process_exit.h"
#include "tests/fakes/recording_console.h"
#include "tests/fakes/recording_sound_player.h"
#include "tests/fakes/scripted_serial_port.h"

namespace p2a::testing {

// The packet for `payload` with the board's CR LF line end.
inline std::string answerLine(const std::string& payload) {
  RecordingConsole silent;
  Trace noTrace(silent, false);
  return p2a_i_encodePacket(noTrace, payload) + "\r\n";
}

// Splits console output into lines at CR LF; a trailing part without a line
// end (a prompt) is kept as the last element.
inline std::vector<std::string> splitLines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = output.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(output.substr(start, end - start));
  }
  if (start < output.size()) lines.push_back(output.substr(start));
  return lines;
}

struct BoardRig {
  RecordingConsole console;
  FakeClock clock;
  ScriptedSerialPort port{clock};
  RecordingSoundPlayer player{clock};
  FakeProcessExit processExit;
  Trace trace{console, true};
  PacketTransport transport{port, clock, console, trace, processExit};
  BoardCommands board{transport, console, trace, processExit};
  AlarmSound alarm{clock, player, trace};
  MonitorLoop loop{board, alarm, clock};

  // The board answers the next command with `payload`.
  void answer(const std::string& payload, Milliseconds delay = Milliseconds{20}) {
    port.replyToNextSend(answerLine(payload), delay);
  }

  std::vector<std::string> lines() const { return splitLines(console.output); }

  // Runs `step`; the exit code when it ended the program, or -1.
  static int exitCodeOf(const std::function<void()>& step) {
    try {
      step();
    } catch (const ProgramEnded& ended) {
      return ended.exitCode;
    }
    return -1;
  }
};

}  // namespace p2a::testing
