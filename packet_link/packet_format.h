// The packet format carried on the serial line in both directions:
// a checksum character, two length digits and the payload.
//
//   position 1      checksum character, 0x20 to 0x7F
//   positions 2, 3  length of the whole packet, two decimal digits
//   positions 4..L  payload, unchanged
//
// The checksum is the XOR of the characters at positions 2 to L, kept to
// seven bits and lifted above the control characters (OR 0x20 when below).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/trace.h"

namespace p2a {

// Largest length field the decoder accepts: payloads of up to 17 characters.
inline constexpr int MAXPACKETLEN = 20;

// The packet for the payload `s`. Never fails.
std::string p2a_i_encodePacket(Trace& trace, std::string_view s);

// The payload of a received packet in `s`, or false (and `s` empty) when the
// packet is too short, its length field is not two digits, is out of range or
// longer than the text, or its checksum does not match. Characters after the
// declared length are ignored.
bool p2a_i_decodePacket(Trace& trace, std::string_view packet, std::string& s);

// The length field's value, or -1 when it is not two decimal digits.
int32_t p2a_i_getPacketLen(Trace& trace, std::string_view packet);

// The checksum over positions 2 to the length field's value (never past the
// end of the text); position 1 is not read.
uint32_t p2a_i_computeChecksum(Trace& trace, std::string_view packet);

}  // namespace p2a
