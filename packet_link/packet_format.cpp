// Encoding, decoding and checking packets.
#include "packet_link/packet_format.h"

#include <algorithm>

namespace p2a {

namespace {

constexpr int kSmallestLength = 3;
constexpr std::size_t kSmallestReceivedText = 4;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t p2a_i_getPacketLen(Trace& trace, std::string_view packet) {
  trace.line("@p2a_i_getPacketLen");
  if (packet.size() < 3) return -1;
  int32_t len = 0;
  for (std::size_t index : {1u, 2u}) {
    char c = packet[index];
    if (!isDigit(c)) return -1;
    len = len * 10 + (c - '0');
  }
  trace.line(" returning len as " + std::to_string(len));
  return len;
}

uint32_t p2a_i_computeChecksum(Trace& trace, std::string_view packet) {
  trace.line("p2a_i_computeChecksum: ");
  int32_t n = p2a_i_getPacketLen(trace, packet);
  int32_t last = std::min<int32_t>(n, static_cast<int32_t>(packet.size()));
  uint32_t cksum = 0;
  for (int32_t k = 2; k <= last; ++k) {
    cksum ^= static_cast<unsigned char>(packet[static_cast<std::size_t>(k - 1)]);
  }
  cksum &= 0x7F;
  if (cksum < 0x20) cksum |= 0x20;
  trace.line("  cksum=" + std::to_string(cksum) + "/" + static_cast<char>(cksum));
  return cksum;
}

std::string p2a_i_encodePacket(Trace& trace, std::string_view s) {
  trace.line("@p2a_i_encodePacket: s=" + std::string(s));
  std::string packet = "000";
  packet += s;
  std::size_t len = packet.size();
  packet[2] = static_cast<char>('0' + len % 10);
  packet[1] = static_cast<char>('0' + len / 10 % 10);
  packet[0] = static_cast<char>(p2a_i_computeChecksum(trace, packet));
  return packet;
}

bool p2a_i_decodePacket(Trace& trace, std::string_view packet, std::string& s) {
  trace.line("@p2a_i_decode4Packet: packet=" + std::string(packet));
  s.clear();
  if (packet.size() < kSmallestReceivedText) {
    trace.line("  length packet < 4");
    return false;
  }
  int32_t len = p2a_i_getPacketLen(trace, packet);
  if (len < kSmallestLength || len > MAXPACKETLEN) return false;
  if (static_cast<std::size_t>(len) > packet.size()) return false;
  uint32_t cksum = p2a_i_computeChecksum(trace, packet);
  if (static_cast<unsigned char>(packet[0]) != cksum) return false;
  s = packet.substr(3, static_cast<std::size_t>(len) - 3);
  return true;
}

}  // namespace p2a
