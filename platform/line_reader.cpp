// Line splitting for console input.
#include "platform/line_reader.h"

#include <utility>

namespace p2a {

namespace {
constexpr char kCtrlZ = 26;
constexpr std::size_t kChunkSize = 4096;
}  // namespace

LineReader::LineReader(ReadBytes readBytes) : readBytes_(std::move(readBytes)) {}

bool LineReader::fillBuffer() {
  if (endOfInput_) return false;
  buffer_.resize(kChunkSize);
  std::ptrdiff_t count = readBytes_(buffer_.data(), buffer_.size());
  if (count <= 0) {
    buffer_.clear();
    position_ = 0;
    endOfInput_ = true;
    return false;
  }
  buffer_.resize(static_cast<std::size_t>(count));
  position_ = 0;
  return true;
}

std::string LineReader::readLine() {
  std::string line;
  while (position_ < buffer_.size() || fillBuffer()) {
    char c = buffer_[position_++];
    if (skipLineFeed_) {
      skipLineFeed_ = false;
      if (c == '\n') continue;
    }
    if (c == '\n') return line;
    if (c == '\r') {
      skipLineFeed_ = true;
      return line;
    }
    if (c == kCtrlZ) {
      endOfInput_ = true;
      buffer_.clear();
      position_ = 0;
      return line;
    }
    line += c;
  }
  return line;
}

}  // namespace p2a
