// Building and checking packets on the board's side.
#include "board_sim/packet_codec.h"

#include "board_sim/printable_text.h"

namespace p2a::board_sim {

namespace {

constexpr std::size_t kShortestCommandPacket = 4;  // checksum, two digits, one character

bool isDigit(char c) { return c >= '0' && c <= '9'; }

PacketCheck refused(std::string problem) { return {false, {}, std::move(problem)}; }

}  // namespace

char packetChecksum(std::string_view covered) {
  unsigned int sum = 0;
  for (char c : covered) sum ^= static_cast<unsigned char>(c);
  sum &= 0x7F;
  if (sum < 0x20) sum |= 0x20;
  return static_cast<char>(sum);
}

std::string encodePacket(std::string_view payload) {
  const std::size_t length = 3 + payload.size();
  std::string covered;
  covered += static_cast<char>('0' + length / 10 % 10);
  covered += static_cast<char>('0' + length % 10);
  covered += payload;
  return packetChecksum(covered) + covered;
}

PacketCheck checkPacket(std::string_view packet) {
  if (packet.size() < kShortestCommandPacket) {
    return refused("too short");
  }
  if (!isDigit(packet[1]) || !isDigit(packet[2])) {
    return refused("length field is not two digits");
  }
  const std::size_t declared = static_cast<std::size_t>((packet[1] - '0') * 10 + (packet[2] - '0'));
  if (declared != packet.size()) {
    return refused("length field says " + std::to_string(declared) + " but " +
                   std::to_string(packet.size()) + " characters came");
  }
  const char expected = packetChecksum(packet.substr(1));
  if (packet[0] != expected) {
    return refused("bad checksum '" + printable(packet.substr(0, 1)) + "', expected '" + expected +
                   "'");
  }
  return {true, std::string(packet.substr(3)), {}};
}

}  // namespace p2a::board_sim
