// The five commands the board understands. Each is one exchange: a
// one-character command packet out, one answer packet back whose first
// character repeats the command. A failed exchange ends the program.
#pragma once

#include <string_view>

#include "packet_link/packet_transport.h"
#include "platform/console.h"
#include "platform/process_exit.h"
#include "platform/trace.h"

namespace p2a {

class BoardCommands {
 public:
  BoardCommands(PacketTransport& transport, Console& console, Trace& trace,
                ProcessExit& processExit);

  bool isSwitchOn();
  bool isMotionDetected();
  void ledOn();
  void ledOff();
  void sendAliveMsg();

 private:
  // Sends `command`, checks the echo and returns the answer payload.
  std::string exchange(char command, std::string_view name);

  // True when the answer's second character is T or t; traces the result.
  bool query(char command, std::string_view name);

  PacketTransport& transport_;
  Console& console_;
  Trace& trace_;
  ProcessExit& processExit_;
};

}  // namespace p2a
