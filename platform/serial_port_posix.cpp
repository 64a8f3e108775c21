// The serial port on Linux and macOS: a termios device opened non-blocking,
// read through poll() with a small buffer of bytes already taken from the
// device, written with poll() when the device is full.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/port_name_posix.h"
#include "platform/serial_port.h"
#include "platform/serial_speed.h"

namespace p2a {

namespace {

constexpr std::size_t kReadChunkSize = 4096;
constexpr int kWriteTimeoutMs = 30000;

using SteadyClock = std::chrono::steady_clock;

// Milliseconds left until the deadline, never negative.
int remainingMs(SteadyClock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The termios constant for a standard speed, or B0 if there is none.
speed_t standardSpeed(int baud) {
  switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
#ifdef B57600
    case 57600: return B57600;
#endif
#ifdef B115200
    case 115200: return B115200;
#endif
#ifdef B230400
    case 230400: return B230400;
#endif
#ifdef B460800
    case 460800: return B460800;
#endif
#ifdef B500000
    case 500000: return B500000;
#endif
#ifdef B576000
    case 576000: return B576000;
#endif
#ifdef B921600
    case 921600: return B921600;
#endif
#ifdef B1000000
    case 1000000: return B1000000;
#endif
#ifdef B1152000
    case 1152000: return B1152000;
#endif
#ifdef B1500000
    case 1500000: return B1500000;
#endif
#ifdef B2000000
    case 2000000: return B2000000;
#endif
#ifdef B2500000
    case 2500000: return B2500000;
#endif
#ifdef B3000000
    case 3000000: return B3000000;
#endif
#ifdef B3500000
    case 3500000: return B3500000;
#endif
#ifdef B4000000
    case 4000000: return B4000000;
#endif
    default: return B0;
  }
}

class PosixSerialPort : public SerialPort {
 public:
  ~PosixSerialPort() override { closePort(); }

  bool connect(const std::string& portName) override {
    closePort();
    const std::string path = resolvePortName(portName);
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      return failConnect(path + ": " + (errno == EBUSY ? kInUseText : std::strerror(errno)));
    }
    if (!::isatty(fd_)) return failConnect(path + ": not a serial port (not a terminal device)");
    // flock also keeps out other programs run by root, which TIOCEXCL does not.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      return failConnect(path + ": " + (errno == EWOULDBLOCK ? kInUseText : std::strerror(errno)));
    }
    if (::ioctl(fd_, TIOCEXCL) != 0) return failConnect(path + ": " + std::strerror(errno));
    exclusive_ = true;
    // Pseudo-terminals have no modem lines and refuse these; that is fine.
    int rts = TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIS, &rts);
    int dtr = TIOCM_DTR;
    ::ioctl(fd_, TIOCMBIS, &dtr);
    if (::tcflush(fd_, TCIOFLUSH) != 0) return failConnect(path + ": " + std::strerror(errno));
    errorText_ = "OK";
    return true;
  }

  bool configure(int baud) override {
    if (baud <= 0) {
      // Speed 0 would hang up the line.
      errorText_ = "unsupported baud rate " + std::to_string(baud);
      return false;
    }
    struct termios settings {};
    if (::tcgetattr(fd_, &settings) != 0) return failWithErrno();
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
#ifdef CIBAUD
    // Linux keeps a separate input speed here, and cfsetispeed leaves it
    // alone: an earlier custom speed would stay in force for input. Cleared,
    // the input speed follows the output speed.
    settings.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);
#endif

    // A speed without a termios constant is set after the other settings;
    // until then the line runs at a standard speed every driver accepts (some
    // refuse tcsetattr while a custom speed is in the settings).
    const speed_t speed = standardSpeed(baud);
    const speed_t termiosSpeed = speed != B0 ? speed : B9600;
    if (::cfsetispeed(&settings, termiosSpeed) != 0 ||
        ::cfsetospeed(&settings, termiosSpeed) != 0) {
      return failWithErrno();
    }
    if (::tcsetattr(fd_, TCSANOW, &settings) != 0) return failWithErrno();
    if (speed == B0 && !setCustomSpeed(fd_, baud)) return failWithErrno();
    errorText_ = "OK";
    return true;
  }

  void purge() override {
    held_.clear();
    heldPosition_ = 0;
    recordResult(::tcflush(fd_, TCIOFLUSH) == 0);
  }

  void flush() override { recordResult(::tcdrain(fd_) == 0); }

  std::size_t waitingCount() override {
    const std::size_t heldCount = held_.size() - heldPosition_;
    int pending = 0;
    if (::ioctl(fd_, FIONREAD, &pending) != 0) {
      errorText_ = std::strerror(errno);
      return heldCount;
    }
    errorText_ = "OK";
    return heldCount + static_cast<std::size_t>(pending);
  }

  ByteRead readByte(int timeoutMs) override {
    if (heldPosition_ < held_.size()) return takeHeldByte();

    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    struct pollfd watch {};
    const int ready = waitFor(POLLIN, deadline, watch);
    if (ready < 0) return failedRead(std::strerror(errno));
    if (ready == 0) return timedOutRead();
    if (watch.revents & POLLNVAL) return failedRead("device is not open");

    held_.resize(kReadChunkSize);
    const ssize_t count = ::read(fd_, held_.data(), held_.size());
    if (count > 0) {
      held_.resize(static_cast<std::size_t>(count));
      heldPosition_ = 0;
      return takeHeldByte();
    }
    const int readError = errno;
    held_.clear();
    heldPosition_ = 0;
    if (count == 0) return failedRead("device disconnected");
    if (readError == EAGAIN || readError == EINTR) {
      // Nothing after all; a hang-up or error condition without data is final.
      if (watch.revents & (POLLHUP | POLLERR)) return failedRead("device disconnected");
      return timedOutRead();
    }
    return failedRead(std::strerror(readError));
  }

  bool sendString(std::string_view data) override {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    std::size_t written = 0;
    while (written < data.size()) {
      const ssize_t count = ::write(fd_, data.data() + written, data.size() - written);
      if (count > 0) {
        written += static_cast<std::size_t>(count);
        continue;
      }
      if (count < 0 && errno == EINTR) continue;
      if (count < 0 && errno != EAGAIN) return failWithErrno();
      if (!waitUntilWritable(deadline)) return false;
    }
    errorText_ = "OK";
    return true;
  }

  std::string lastErrorText() const override { return errorText_; }

 private:
  static constexpr const char* kInUseText = "the port is in use by another program";

  // Polls the device for `events` until the deadline, going on after
  // signals with the time that is left. Returns poll's result; `watch`
  // holds what happened.
  int waitFor(short events, SteadyClock::time_point deadline, struct pollfd& watch) const {
    watch.fd = fd_;
    watch.events = events;
    int ready = 0;
    do {
      ready = ::poll(&watch, 1, remainingMs(deadline));
    } while (ready < 0 && errno == EINTR);
    return ready;
  }

  // Waits for room to write; false (with the text recorded) on failure or
  // when the deadline passes.
  bool waitUntilWritable(SteadyClock::time_point deadline) {
    struct pollfd watch {};
    const int ready = waitFor(POLLOUT, deadline, watch);
    if (ready < 0) return failWithErrno();
    if (ready == 0) {
      errorText_ = "Write timed out";
      return false;
    }
    if (watch.revents & POLLNVAL) {
      errorText_ = "device is not open";
      return false;
    }
    return true;
  }

  ByteRead takeHeldByte() {
    errorText_ = "OK";
    return {ByteRead::Outcome::Byte, static_cast<unsigned char>(held_[heldPosition_++])};
  }

  ByteRead timedOutRead() {
    errorText_ = "Timeout during operation";
    return {ByteRead::Outcome::Timeout, 0};
  }

  ByteRead failedRead(const std::string& text) {
    errorText_ = text;
    return {ByteRead::Outcome::Failure, 0};
  }

  bool failConnect(const std::string& text) {
    closePort();
    errorText_ = text;
    return false;
  }

  bool failWithErrno() {
    errorText_ = std::strerror(errno);
    return false;
  }

  void recordResult(bool succeeded) { errorText_ = succeeded ? "OK" : std::strerror(errno); }

  void closePort() {
    if (fd_ < 0) return;
    // Exclusive mode belongs to the device and can outlive this descriptor
    // (it does on pseudo-terminals), so it is ended before closing.
    if (exclusive_) ::ioctl(fd_, TIOCNXCL);
    exclusive_ = false;
    ::close(fd_);
    fd_ = -1;
    held_.clear();
    heldPosition_ = 0;
  }

  int fd_ = -1;
  bool exclusive_ = false;  // this object put the device in exclusive mode
  std::string held_;        // bytes taken from the device and not yet returned
  std::size_t heldPosition_ = 0;
  std::string errorText_ = "OK";
};

}  // namespace

std::unique_ptr<SerialPort> createSystemSerialPort() { return std::make_unique<PosixSerialPort>(); }

}  // namespace p2a
