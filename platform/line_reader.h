// Splits a byte stream into lines the way the start-up dialogue reads them:
// LF, CR LF or a lone CR ends a line; the end of input gives empty lines; a
// Ctrl+Z byte ends the current line and the input.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace p2a {

class LineReader {
 public:
  // Reads up to `size` bytes into `buffer`; returns the count, 0 at the end
  // of input, or a negative value on an error (taken as the end of input).
  using ReadBytes = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

  explicit LineReader(ReadBytes readBytes);

  std::string readLine();

 private:
  bool fillBuffer();

  ReadBytes readBytes_;
  std::string buffer_;
  std::size_t position_ = 0;
  bool endOfInput_ = false;
  bool skipLineFeed_ = false;  // the previous line ended with CR
};

}  // namespace p2a
