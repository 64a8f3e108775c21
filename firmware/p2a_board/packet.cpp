// Encoding and checking packets; see packet.h for the format.
#include "packet.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char digitFor(size_t value) { return static_cast<char>('0' + value); }

}  // namespace

char packetChecksum(const char* packet, size_t length) {
  unsigned char sum = 0;
  for (size_t index = 1; index < length; ++index) {
    sum ^= static_cast<unsigned char>(packet[index]);
  }
  sum &= 0x7F;
  if (sum < 0x20) sum |= 0x20;
  return static_cast<char>(sum);
}

size_t encodePacket(const char* payload, size_t payloadLength, char* packet) {
  if (payloadLength > kPacketMaxPayload) return 0;
  const size_t length = kPacketHeaderLength + payloadLength;
  packet[1] = digitFor(length / 10);
  packet[2] = digitFor(length % 10);
  for (size_t index = 0; index < payloadLength; ++index) {
    packet[kPacketHeaderLength + index] = payload[index];
  }
  packet[0] = packetChecksum(packet, length);
  return length;
}

bool decodePacket(const char* text, size_t textLength, const char*& payload,
                  size_t& payloadLength) {
  if (textLength < kPacketMinText) return false;
  if (!isDigit(text[1]) || !isDigit(text[2])) return false;
  const size_t length = static_cast<size_t>((text[1] - '0') * 10 + (text[2] - '0'));
  if (length < kPacketMinLength || length > kPacketMaxLength) return false;
  if (length > textLength) return false;
  if (text[0] != packetChecksum(text, length)) return false;
  payload = text + kPacketHeaderLength;
  payloadLength = length - kPacketHeaderLength;
  return true;
}
