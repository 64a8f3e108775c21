// Carries packets over the serial port: a packet goes out followed by CR; an
// answer is one line ended by LF (CRs dropped), collected under a deadline of
// five seconds.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/process_exit.h"
#include "platform/serial_port.h"
#include "platform/trace.h"

namespace p2a {

class PacketTransport {
 public:
  PacketTransport(SerialPort& commPort, Clock& clock, Console& console, Trace& trace,
                  ProcessExit& processExit);

  // Sends the payload `s` as one packet.
  void p2a_sendStr(std::string_view s);

  // Receives one packet and puts its payload in `s`; false (and `s` empty)
  // when the port failed or the packet did not decode. Ends the program when
  // no complete line arrives within the deadline.
  bool p2a_getStr(std::string& s);

  void p2a_i_xmitPacket(std::string_view packet);

  // Collects one line into `packet`; false when the port failed.
  bool p2a_i_recvPacket(std::string& packet);

 private:
  SerialPort& commPort_;
  Clock& clock_;
  Console& console_;
  Trace& trace_;
  ProcessExit& processExit_;
};

}  // namespace p2a
