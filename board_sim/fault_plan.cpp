// Choosing and applying the faults on demand.
#include "board_sim/fault_plan.h"

#include "board_sim/packet_codec.h"

namespace p2a::board_sim {

namespace {

// Control characters, bytes above ASCII and text: nothing a packet looks like.
const std::string kJunkLine = std::string("\x00\xFF\x7F", 3) + "#garbage!";

char nextCommandCharacter(char command) {
  return command >= '1' && command < '5' ? static_cast<char>(command + 1) : '1';
}

void addPart(std::string& text, const std::string& part) {
  if (!text.empty()) text += ", ";
  text += part;
}

}  // namespace

std::string describeFault(AnswerFault fault) {
  switch (fault) {
    case AnswerFault::None: return "";
    case AnswerFault::Silent: return "silent";
    case AnswerFault::Garbage: return "garbage";
    case AnswerFault::WrongEcho: return "wrong echo";
    case AnswerFault::BadChecksum: return "bad checksum";
  }
  return "";
}

AnswerFault FaultPlan::faultFor(std::int64_t command) const {
  if (silentFrom && command >= *silentFrom) return AnswerFault::Silent;
  if (garbageAt == command) return AnswerFault::Garbage;
  if (wrongEchoAt == command) return AnswerFault::WrongEcho;
  if (badChecksumAt == command) return AnswerFault::BadChecksum;
  return AnswerFault::None;
}

std::string FaultPlan::describe() const {
  std::string text;
  if (late.count() > 0) addPart(text, "late " + std::to_string(late.count()) + " ms");
  if (silentFrom) addPart(text, "silent from #" + std::to_string(*silentFrom));
  if (garbageAt) addPart(text, "garbage at #" + std::to_string(*garbageAt));
  if (wrongEchoAt) addPart(text, "wrong echo at #" + std::to_string(*wrongEchoAt));
  if (badChecksumAt) addPart(text, "bad checksum at #" + std::to_string(*badChecksumAt));
  if (vanishAfter) addPart(text, "vanish after #" + std::to_string(*vanishAfter));
  return text.empty() ? "none" : text;
}

std::string answerLine(std::string_view payload, AnswerFault fault) {
  switch (fault) {
    case AnswerFault::Garbage: return kJunkLine;
    case AnswerFault::WrongEcho: {
      std::string echoed(payload);
      echoed[0] = nextCommandCharacter(echoed[0]);
      return encodePacket(echoed);
    }
    case AnswerFault::BadChecksum: {
      std::string packet = encodePacket(payload);
      // Flipping the lowest bit keeps the character within 0x20 to 0x7F.
      packet[0] = static_cast<char>(packet[0] ^ 0x01);
      return packet;
    }
    case AnswerFault::Silent: return "";
    case AnswerFault::None: break;
  }
  return encodePacket(payload);
}

}  // namespace p2a::board_sim
