// The serial port on Windows: a COM device opened through the Win32 file API,
// read with comm timeouts that return as soon as anything has arrived, and a
// small buffer of bytes already taken from the device.
#include <windows.h>

#include <algorithm>
#include <optional>

#include "platform/serial_port.h"

namespace p2a {

namespace {

constexpr DWORD kQueueSize = 4096;
constexpr DWORD kReadChunkSize = 4096;
constexpr DWORD kWriteTimeoutMs = 30000;
// The largest total read timeout the comm driver takes as a plain count of
// milliseconds (MAXDWORD has a meaning of its own).
constexpr DWORD kLongestReadTimeoutMs = 0x7FFFFFFE;

// The system's text for an error code, without the line end it comes with.
std::string systemErrorText(DWORD code) {
  char text[512];
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, static_cast<DWORD>(sizeof text),
                                  nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == ' ')) {
    --length;
  }
  if (length == 0) return "Windows error " + std::to_string(code);
  return std::string(text, length);
}

class WindowsSerialPort : public SerialPort {
 public:
  ~WindowsSerialPort() override { closePort(); }

  bool connect(const std::string& portName) override {
    closePort();
    // The device namespace prefix is needed from COM10 on and harmless below.
    const std::string path = "\\\\.\\" + portName;
    handle_ = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return failConnect(portName);
    // Only a recommendation; drivers that keep their own sizes may refuse it.
    ::SetupComm(handle_, kQueueSize, kQueueSize);
    if (!applyReadTimeout(0)) return failConnect(portName);
    // Devices without modem lines refuse these; that is fine.
    ::EscapeCommFunction(handle_, SETRTS);
    ::EscapeCommFunction(handle_, SETDTR);
    if (!::PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) {
      return failConnect(portName);
    }
    errorText_ = "OK";
    return true;
  }

  bool configure(int baud) override {
    if (baud <= 0) {
      errorText_ = "unsupported baud rate " + std::to_string(baud);
      return false;
    }
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!::GetCommState(handle_, &settings)) return failWithLastError();
    settings.BaudRate = static_cast<DWORD>(baud);
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.fParity = FALSE;
    settings.StopBits = ONESTOPBIT;
    settings.fBinary = TRUE;
    settings.fDtrControl = DTR_CONTROL_ENABLE;
    settings.fRtsControl = RTS_CONTROL_ENABLE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDsrSensitivity = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fNull = FALSE;       // NUL bytes are data
    settings.fErrorChar = FALSE;  // bytes with line errors arrive as they are
    // A framing error on a noisy line must not stop every later read.
    settings.fAbortOnError = FALSE;
    if (!::SetCommState(handle_, &settings)) return failWithLastError();
    errorText_ = "OK";
    return true;
  }

  void purge() override {
    held_.clear();
    heldPosition_ = 0;
    recordResult(::PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR |
                                          PURGE_RXCLEAR));
  }

  void flush() override { recordResult(::FlushFileBuffers(handle_)); }

  std::size_t waitingCount() override {
    const std::size_t heldCount = held_.size() - heldPosition_;
    const std::optional<DWORD> queued = queuedCount();
    if (!queued) return heldCount;
    errorText_ = "OK";
    return heldCount + *queued;
  }

  ByteRead readByte(int timeoutMs) override {
    if (heldPosition_ < held_.size()) return takeHeldByte();

    // A device that has gone (unplugged, hung up) fails this query, while a
    // read on it may merely time out.
    const std::optional<DWORD> queued = queuedCount();
    if (!queued) return {ByteRead::Outcome::Failure, 0};
    const DWORD timeout =
        static_cast<DWORD>(std::clamp<long long>(timeoutMs, 0, kLongestReadTimeoutMs));
    if (!applyReadTimeout(timeout)) return {ByteRead::Outcome::Failure, 0};

    // Asking for what is waiting, or for one byte when nothing is, ends the
    // read as soon as that is there even on drivers (Wine's) that ignore the
    // "return at once" setting and wait out the timeout for a fuller buffer.
    const DWORD wanted = std::clamp<DWORD>(*queued, 1, kReadChunkSize);
    held_.resize(wanted);
    heldPosition_ = 0;
    DWORD count = 0;
    if (!::ReadFile(handle_, held_.data(), wanted, &count, nullptr)) {
      held_.clear();
      failWithLastError();
      return {ByteRead::Outcome::Failure, 0};
    }
    held_.resize(count);
    if (count == 0) {
      errorText_ = "Timeout during operation";
      return {ByteRead::Outcome::Timeout, 0};
    }
    return takeHeldByte();
  }

  bool sendString(std::string_view data) override {
    std::size_t written = 0;
    while (written < data.size()) {
      const DWORD chunk =
          static_cast<DWORD>(std::min<std::size_t>(data.size() - written, MAXDWORD));
      DWORD count = 0;
      if (!::WriteFile(handle_, data.data() + written, chunk, &count, nullptr)) {
        return failWithLastError();
      }
      if (count < chunk) {
        // The write timeout ran out before everything left.
        errorText_ = "Write timed out";
        return false;
      }
      written += count;
    }
    errorText_ = "OK";
    return true;
  }

  std::string lastErrorText() const override { return errorText_; }

 private:
  // Sets the comm timeouts so that a read returns at once with whatever has
  // arrived, or waits up to `readTimeoutMs` for the first byte (0: never
  // waits). Writes are given up after kWriteTimeoutMs.
  bool applyReadTimeout(DWORD readTimeoutMs) {
    if (appliedReadTimeout_ == readTimeoutMs) return true;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = readTimeoutMs == 0 ? 0 : MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = readTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!::SetCommTimeouts(handle_, &timeouts)) {
      appliedReadTimeout_.reset();
      return failWithLastError();
    }
    appliedReadTimeout_ = readTimeoutMs;
    return true;
  }

  // The count of received bytes in the driver's queue; empty (with the
  // error recorded) when the query fails.
  std::optional<DWORD> queuedCount() {
    DWORD lineErrors = 0;
    COMSTAT status{};
    if (!::ClearCommError(handle_, &lineErrors, &status)) {
      failWithLastError();
      return std::nullopt;
    }
    return status.cbInQue;
  }

  ByteRead takeHeldByte() {
    errorText_ = "OK";
    return {ByteRead::Outcome::Byte, static_cast<unsigned char>(held_[heldPosition_++])};
  }

  bool failConnect(const std::string& portName) {
    errorText_ = portName + ": " + systemErrorText(::GetLastError());
    closePort();
    return false;
  }

  bool failWithLastError() {
    errorText_ = systemErrorText(::GetLastError());
    return false;
  }

  void recordResult(BOOL succeeded) {
    if (succeeded) {
      errorText_ = "OK";
    } else {
      failWithLastError();
    }
  }

  void closePort() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    appliedReadTimeout_.reset();
    held_.clear();
    heldPosition_ = 0;
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::optional<DWORD> appliedReadTimeout_;  // what the device was last given
  std::string held_;  // bytes taken from the device and not yet returned
  std::size_t heldPosition_ = 0;
  std::string errorText_ = "OK";
};

}  // namespace

std::unique_ptr<SerialPort> createSystemSerialPort() {
  return std::make_unique<WindowsSerialPort>();
}

}  // namespace p2a
