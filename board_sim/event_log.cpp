// Writing log lines and the status line to standard error.
#include "board_sim/event_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace p2a::board_sim {

namespace {

// Back to the start of the line and clear it (the terminal's escape sequence).
constexpr const char* kClearLine = "\r\x1b[K";

}  // namespace

EventLog::EventLog(bool withStatusLine)
    : start_(std::chrono::steady_clock::now()), withStatusLine_(withStatusLine) {}

EventLog::~EventLog() {
  if (withStatusLine_) write("\n");
}

void EventLog::line(std::string_view text) {
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%8.3f] ", elapsed.count());
  std::string output = withStatusLine_ ? kClearLine : "";
  output += stamp;
  output += text;
  output += '\n';
  if (withStatusLine_) output += status_;
  write(output);
}

void EventLog::status(std::string_view text) {
  if (!withStatusLine_) return;
  status_ = text;
  write(kClearLine + status_);
}

void EventLog::write(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t count = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;  // nowhere to log to; the board goes on regardless
    done += static_cast<std::size_t>(count);
  }
}

}  // namespace p2a::board_sim
