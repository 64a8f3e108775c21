// Answers to the monitor's commands.
#include "board_sim/board.h"

#include "board_sim/packet_codec.h"
#include "board_sim/printable_text.h"

namespace p2a::board_sim {

namespace {

BoardReply answer(std::string commandName, std::string payload, std::string meaning) {
  return {true, std::move(commandName), std::move(payload), std::move(meaning), {}};
}

BoardReply query(std::string commandName, char command, bool yes, std::string yesMeaning,
                 std::string noMeaning) {
  return answer(std::move(commandName), std::string{command, yes ? 'T' : 'F'},
                yes ? std::move(yesMeaning) : std::move(noMeaning));
}

}  // namespace

std::string describeInputs(BoardInputs inputs) {
  return std::string("switch ") + (inputs.switchOn ? "on" : "off") + ", motion " +
         (inputs.motion ? "on" : "off");
}

BoardReply Board::handle(std::string_view packet, BoardInputs inputs) {
  const PacketCheck check = checkPacket(packet);
  if (!check.valid) return {false, {}, {}, {}, check.problem};
  if (check.payload.size() != 1) {
    return {false, {}, {}, {}, "unknown command " + printable(check.payload)};
  }
  const char command = check.payload[0];
  switch (command) {
    case '1': return query("switch?", command, inputs.switchOn, "switch on", "switch off");
    case '2': return query("motion?", command, inputs.motion, "motion", "no motion");
    case '3': ledOn_ = true; return answer("LED on", "3", "LED lit");
    case '4': ledOn_ = false; return answer("LED off", "4", "LED cleared");
    case '5': return answer("keep-alive", "5", "alive");
    default: return {false, {}, {}, {}, "unknown command " + printable(check.payload)};
  }
}

}  // namespace p2a::board_sim
