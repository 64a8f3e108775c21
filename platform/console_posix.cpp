// The console on Linux and macOS: unbuffered writes straight to the standard
// output and error descriptors, and lines read from standard input.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/console.h"
#include "platform/line_reader.h"

namespace p2a {

namespace {

// Writes every byte to the descriptor, retrying interrupted and partial
// writes. Output that cannot be written is dropped: there is nowhere left to
// report it.
void writeAll(int fd, std::string_view text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
    if (count > 0) {
      written += static_cast<std::size_t>(count);
    } else if (count < 0 && errno == EAGAIN) {
      // The descriptor was left non-blocking by someone else; wait for room.
      struct pollfd watch {};
      watch.fd = fd;
      watch.events = POLLOUT;
      ::poll(&watch, 1, -1);
    } else if (count < 0 && errno != EINTR) {
      return;
    }
  }
}

std::ptrdiff_t readStandardInput(char* buffer, std::size_t size) {
  ssize_t count = 0;
  do {
    count = ::read(STDIN_FILENO, buffer, size);
  } while (count < 0 && errno == EINTR);
  return count;
}

class PosixConsole : public Console {
 public:
  void write(std::string_view text) override { writeAll(STDOUT_FILENO, text); }

  void writeDetail(std::string_view text) override {
    std::string line(text);
    line += "\r\n";
    writeAll(STDERR_FILENO, line);
  }

  std::string readLine() override { return lineReader_.readLine(); }

 private:
  LineReader lineReader_{readStandardInput};
};

}  // namespace

std::unique_ptr<Console> createSystemConsole() { return std::make_unique<PosixConsole>(); }

}  // namespace p2a
