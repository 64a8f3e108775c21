// Exchanging the board's commands and checking their answers.
#include "commands/board_commands.h"

#include <string>

namespace p2a {

BoardCommands::BoardCommands(PacketTransport& transport, Console& console, Trace& trace,
                             ProcessExit& processExit)
    : transport_(transport), console_(console), trace_(trace), processExit_(processExit) {}

std::string BoardCommands::exchange(char command, std::string_view name) {
  trace_.line("@" + std::string(name));
  transport_.p2a_sendStr(std::string(1, command));
  std::string s;
  if (!transport_.p2a_getStr(s)) {
    endWithFailure(console_, processExit_, "p2a_getStr returned false");
  }
  // An empty answer has no echo at all, which counts as a wrong one.
  if (s.empty() || s[0] != command) {
    endWithFailure(console_, processExit_, std::string(name) + " received bad response");
  }
  return s;
}

bool BoardCommands::query(char command, std::string_view name) {
  std::string s = exchange(command, name);
  bool result = s.size() >= 2 && (s[1] == 'T' || s[1] == 't');
  trace_.line("@" + std::string(name) + ": returns " + (result ? "1" : "0"));
  return result;
}

bool BoardCommands::isSwitchOn() { return query('1', "isSwitchOn"); }

bool BoardCommands::isMotionDetected() { return query('2', "isMotionDetected"); }

void BoardCommands::ledOn() { exchange('3', "ledOn"); }

void BoardCommands::ledOff() { exchange('4', "ledOff"); }

void BoardCommands::sendAliveMsg() { exchange('5', "sendAliveMsg"); }

}  // namespace p2a
