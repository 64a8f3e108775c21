// The packet format shared with the PC: one checksum character, two decimal
// length digits, then the payload. Plain C++ without Arduino, so the host
// check (firmware/test) builds the same code.
#ifndef P2A_PACKET_H
#define P2A_PACKET_H

#include <stddef.h>

// Largest length field accepted; the length counts checksum, digits and payload.
const size_t kPacketMaxLength = 20;
// Smallest length field accepted: checksum and digits with an empty payload.
const size_t kPacketMinLength = 3;
// Received texts shorter than this are refused before anything is read.
const size_t kPacketMinText = 4;
// Characters before the payload: the checksum and the two length digits.
const size_t kPacketHeaderLength = 3;
const size_t kPacketMaxPayload = kPacketMaxLength - kPacketHeaderLength;

// Checksum character of `packet` over positions 2..`length` (counted from 1):
// the XOR of those characters, cut to 7 bits, and lifted by 0x20 when below
// 0x20, so it always lies in 0x20..0x7F. Reads packet[1] to packet[length - 1].
char packetChecksum(const char* packet, size_t length);

// Writes the packet carrying `payload` (`payloadLength` characters) into
// `packet`, which has room for kPacketMaxLength characters. Returns the
// packet's length, or 0 (nothing written) when the payload is longer than
// kPacketMaxPayload.
size_t encodePacket(const char* payload, size_t payloadLength, char* packet);

// Checks a received text of `textLength` characters and finds its payload.
// Refuses a text shorter than kPacketMinText, a length field that is not two
// digits, lies outside kPacketMinLength..kPacketMaxLength or is longer than
// the text, and a wrong checksum character. Characters after the declared
// length are ignored. On success points `payload` into `text`, sets
// `payloadLength` and returns true; otherwise returns false.
bool decodePacket(const char* text, size_t textLength, const char*& payload,
                  size_t& payloadLength);

#endif
