// The console the program talks to: standard output for prompts, trace lines
// and messages, standard error for extra detail on a failure, and line input
// from standard input.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace p2a {

class Console {
 public:
  virtual ~Console() = default;

  // Writes the bytes to standard output as they are and hands them to the
  // operating system before returning.
  virtual void write(std::string_view text) = 0;

  // Writes one line of detail to standard error (the line end is added).
  virtual void writeDetail(std::string_view text) = 0;

  // Reads one line from standard input without its line end. A line ends at
  // LF, CR LF or a lone CR. At the end of input, and at every read after it,
  // the line is empty. A Ctrl+Z byte ends the line and the input.
  virtual std::string readLine() = 0;
};

// Writes the text followed by CR LF in one write.
void writeLine(Console& console, std::string_view text);

// The console of this process.
std::unique_ptr<Console> createSystemConsole();

}  // namespace p2a
