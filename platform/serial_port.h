// The serial port the board is attached to. Failures are recorded (see
// lastErrorText) and reported through results; nothing here throws.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace p2a {

struct ByteRead {
  enum class Outcome {
    Byte,     // `byte` holds the next received byte
    Timeout,  // nothing arrived in time; not an error of the port
    Failure,  // the port failed (the device vanished, ...); see lastErrorText
  };
  Outcome outcome;
  unsigned char byte;
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the named port ("COM" and a digit) for exclusive reading and
  // writing, raises RTS then DTR and purges both buffers.
  virtual bool connect(const std::string& portName) = 0;

  // Sets the speed, 8 data bits, no parity, one stop bit, raw binary mode and
  // no flow control of any kind. A speed the port refuses fails.
  virtual bool configure(int baud) = 0;

  // Discards everything received and not yet read (including bytes held
  // here) and everything queued for sending.
  virtual void purge() = 0;

  // Waits until everything written has left.
  virtual void flush() = 0;

  // Received bytes waiting to be read, including those already held here;
  // when the device cannot be asked, only the bytes held here.
  virtual std::size_t waitingCount() = 0;

  // The next received byte, waiting at most `timeoutMs` for one to arrive.
  virtual ByteRead readByte(int timeoutMs) = 0;

  // Writes all of `data`; false when the write failed or did not complete
  // within 30 seconds.
  virtual bool sendString(std::string_view data) = 0;

  // Text of the outcome of the most recent operation: "OK" after success.
  virtual std::string lastErrorText() const = 0;
};

// The serial port implementation of this operating system, not yet opened.
std::unique_ptr<SerialPort> createSystemSerialPort();

}  // namespace p2a
