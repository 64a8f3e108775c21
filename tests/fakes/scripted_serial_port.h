// A serial port driven by a script on the fake clock. Bytes "arrive" at given
// times; each packet sent may trigger the next scripted reply after a delay.
// Reads wait on the fake clock, and everything sent is kept as the wire log.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/serial_port.h"
#include "tests/fakes/fake_clock.h"

namespace p2a::testing {

class ScriptedSerialPort : public SerialPort {
 public:
  explicit ScriptedSerialPort(FakeClock& clock) : clock_(clock) {}

  // Script: bytes arriving `delay` after now.
  void arriveAfter(Milliseconds delay, const std::string& bytes);
  // Script: the reply to the next packet sent, arriving `delay` after it.
  void replyToNextSend(const std::string& bytes, Milliseconds delay = Milliseconds{20});
  // Script: the port fails (the device vanishes) `delay` after now.
  void failAfter(Milliseconds delay);

  bool connect(const std::string& portName) override;
  bool configure(int baud) override;
  void purge() override;
  void flush() override;
  std::size_t waitingCount() override;
  ByteRead readByte(int timeoutMs) override;
  bool sendString(std::string_view data) override;
  std::string lastErrorText() const override { return lastError_; }

  bool connectSucceeds = true;
  bool configureSucceeds = true;
  // Calls in order, e.g. "connect COM5", "configure 9600", "purge", "flush".
  std::vector<std::string> calls;
  std::string wire;  // every byte sent, in order
  int waitingQueries = 0;

 private:
  struct Arrival {
    Milliseconds at;
    unsigned char byte;
  };
  struct Reply {
    std::string bytes;
    Milliseconds delay;
  };

  std::size_t arrivedCount() const;

  FakeClock& clock_;
  std::deque<Arrival> arrivals_;
  std::deque<Reply> replies_;
  std::optional<Milliseconds> failureAt_;
  std::string lastError_ = "OK";
};

}  // namespace p2a::testing
