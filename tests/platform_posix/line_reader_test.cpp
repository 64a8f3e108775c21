// Line splitting of console input: line ends, end of input and Ctrl+Z, with
// the input arriving in the chunks given and also one byte per read.
#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace p2a {
namespace {

// Hands out the chunks one per read, then reports the end of input.
LineReader::ReadBytes chunkSource(std::vector<std::string> chunks) {
  return
      [chunks = std::move(chunks), next = std::size_t{0}](char* buffer, std::size_t size) mutable {
        if (next == chunks.size()) return std::ptrdiff_t{0};
        const std::string& chunk = chunks[next++];
        const std::size_t count = std::min(size, chunk.size());
        std::memcpy(buffer, chunk.data(), count);
        return static_cast<std::ptrdiff_t>(count);
      };
}

std::vector<std::string> singleBytes(const std::vector<std::string>& chunks) {
  std::vector<std::string> bytes;
  for (const std::string& chunk : chunks) {
    for (char c : chunk) bytes.emplace_back(1, c);
  }
  return bytes;
}

std::vector<std::string> readLines(LineReader& reader, std::size_t count) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < count; ++i) lines.push_back(reader.readLine());
  return lines;
}

struct LineCase {
  const char* name;
  std::vector<std::string> chunks;
  std::vector<std::string> expectedLines;  // read in this order, end included
};

TEST(LineReaderTest, SplitsInputIntoLines) {
  const std::vector<LineCase> cases = {
      {"line feeds", {"one\ntwo\n"}, {"one", "two", "", ""}},
      {"CR LF", {"one\r\ntwo\r\n"}, {"one", "two", "", ""}},
      {"lone CR", {"one\rtwo\r"}, {"one", "two", "", ""}},
      {"mixed ends and empty lines", {"a\r\n\rb\n\nc\r\r\n"}, {"a", "", "b", "", "c", "", "", ""}},
      {"CR at a chunk end, LF at the next start", {"one\r", "\ntwo\n"}, {"one", "two", "", ""}},
      {"last line without an end", {"one\nlast"}, {"one", "last", "", ""}},
      {"blanks and tabs kept", {" \tpadded \t\n\t\n"}, {" \tpadded \t", "\t", ""}},
      {"Ctrl+Z ends line and input", {"first\x1Aignored\nignored\n"}, {"first", "", ""}},
      {"Ctrl+Z after a line end", {"first\n\x1A", "ignored\n"}, {"first", "", ""}},
      {"no input at all", {}, {"", "", ""}},
  };
  for (const LineCase& lineCase : cases) {
    SCOPED_TRACE(lineCase.name);
    {
      SCOPED_TRACE("chunks as given");
      LineReader reader(chunkSource(lineCase.chunks));
      EXPECT_EQ(readLines(reader, lineCase.expectedLines.size()), lineCase.expectedLines);
    }
    {
      SCOPED_TRACE("one byte per read");
      LineReader reader(chunkSource(singleBytes(lineCase.chunks)));
      EXPECT_EQ(readLines(reader, lineCase.expectedLines.size()), lineCase.expectedLines);
    }
  }
}

// After the end of input, and after Ctrl+Z, a terminal may still deliver
// bytes; they must not be taken as further lines.
TEST(LineReaderTest, StopsReadingAtTheEndOfInput) {
  for (const char* ending : {"", "\x1A"}) {
    SCOPED_TRACE(*ending == '\0' ? "end of input" : "Ctrl+Z");
    int reads = 0;
    LineReader reader([&reads, ending](char* buffer, std::size_t) {
      ++reads;
      if (reads == 1) {
        const std::string first = std::string("line\n") + ending;
        std::memcpy(buffer, first.data(), first.size());
        return static_cast<std::ptrdiff_t>(first.size());
      }
      if (reads == 2) return std::ptrdiff_t{0};
      buffer[0] = 'x';
      buffer[1] = '\n';
      return std::ptrdiff_t{2};
    });
    EXPECT_EQ(reader.readLine(), "line");
    EXPECT_EQ(reader.readLine(), "");
    EXPECT_EQ(reader.readLine(), "");
    EXPECT_LE(reads, 2);
  }
}

TEST(LineReaderTest, TakesAReadErrorAsTheEndOfInput) {
  bool failed = false;
  LineReader reader([&failed](char* buffer, std::size_t) {
    if (failed) return std::ptrdiff_t{-1};
    failed = true;
    buffer[0] = 'a';
    return std::ptrdiff_t{1};
  });
  EXPECT_EQ(reader.readLine(), "a");
  EXPECT_EQ(reader.readLine(), "");
}

}  // namespace
}  // namespace p2a
