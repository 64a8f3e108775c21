// Sending and receiving packets over the serial port.
#include "packet_link/packet_transport.h"

#include "packet_link/packet_format.h"

namespace p2a {

namespace {

constexpr Milliseconds kReceiveDeadline{5000};
constexpr Milliseconds kIdlePause{50};
constexpr int kByteReadTimeoutMs = 100;

}  // namespace

PacketTransport::PacketTransport(SerialPort& commPort, Clock& clock, Console& console,
                                 Trace& trace, ProcessExit& processExit)
    : commPort_(commPort),
      clock_(clock),
      console_(console),
      trace_(trace),
      processExit_(processExit) {}

void PacketTransport::p2a_sendStr(std::string_view s) {
  trace_.line("@p2a_sendStr: s=" + std::string(s));
  p2a_i_xmitPacket(p2a_i_encodePacket(trace_, s));
}

void PacketTransport::p2a_i_xmitPacket(std::string_view packet) {
  trace_.line("@p2a_i_xmitPacket: packet=" + std::string(packet));
  std::string framed(packet);
  framed += '\r';
  commPort_.sendString(framed);
}

bool PacketTransport::p2a_getStr(std::string& s) {
  trace_.line("@p2a_getStr");
  s.clear();
  std::string packet;
  if (!p2a_i_recvPacket(packet)) {
    trace_.line("  rcvpacket returned error to getstr");
    return false;
  }
  if (!p2a_i_decodePacket(trace_, packet, s)) {
    trace_.line("  decodePacket returned false to getstr");
    return false;
  }
  return true;
}

bool PacketTransport::p2a_i_recvPacket(std::string& packet) {
  trace_.line("@p2a_i_recvPacket");
  const Milliseconds deadline = clock_.now() + kReceiveDeadline;
  packet.clear();
  std::string line;
  for (;;) {
    if (clock_.now() > deadline) {
      endWithFailure(console_, processExit_, "Timeout waiting for arduino response.");
    }
    if (commPort_.waitingCount() == 0) clock_.pause(kIdlePause);
    ByteRead read = commPort_.readByte(kByteReadTimeoutMs);
    switch (read.outcome) {
      case ByteRead::Outcome::Failure:
        writeLine(console_,
                  "Serial error occurred in p2a_i_recvPacket: " + commPort_.lastErrorText());
        return false;
      case ByteRead::Outcome::Timeout:
        continue;
      case ByteRead::Outcome::Byte:
        break;
    }
    if (read.byte == '\n') {
      trace_.line("  s=" + line);
      packet = line;
      return true;
    }
    if (read.byte != '\r') line += static_cast<char>(read.byte);
  }
}

}  // namespace p2a
