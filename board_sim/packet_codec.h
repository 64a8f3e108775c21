// The board's side of the packet format: building answer packets and checking
// the command packets the monitor sends. A packet is a checksum character, two
// decimal digits giving the length of the whole packet, then the payload; the
// checksum covers the length digits and the payload.
#pragma once

#include <string>
#include <string_view>

namespace p2a::board_sim {

// The checksum character for `covered`, the packet without its first
// character: the XOR of its characters, kept to seven bits and lifted above
// the control characters (OR 0x20 when below 0x20).
char packetChecksum(std::string_view covered);

// The packet carrying `payload`.
std::string encodePacket(std::string_view payload);

struct PacketCheck {
  bool valid = false;
  std::string payload;  // when valid
  std::string problem;  // when not valid: what is wrong, for the log
};

// Checks a received packet (without its line end). Stricter than the format
// needs: the length field must match the number of characters received.
PacketCheck checkPacket(std::string_view packet);

}  // namespace p2a::board_sim
