// The console on Windows: bytes written unchanged to the standard output and
// error handles with WriteFile (no newline or code page translation), and
// lines read from the standard input handle.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/console.h"
#include "platform/line_reader.h"

namespace p2a {

namespace {

// Writes every byte to the handle, continuing after partial writes. Output
// that cannot be written is dropped: there is nowhere left to report it.
void writeAll(DWORD standardHandle, std::string_view text) {
  const HANDLE handle = ::GetStdHandle(standardHandle);
  std::size_t written = 0;
  while (written < text.size()) {
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(text.size() - written, MAXDWORD));
    DWORD count = 0;
    if (!::WriteFile(handle, text.data() + written, chunk, &count, nullptr) || count == 0) return;
    written += count;
  }
}

// A closed pipe (ERROR_BROKEN_PIPE) and every other failure end the input.
std::ptrdiff_t readStandardInput(char* buffer, std::size_t size) {
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
  DWORD count = 0;
  if (!::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, wanted, &count, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(count);
}

class WindowsConsole : public Console {
 public:
  void write(std::string_view text) override { writeAll(STD_OUTPUT_HANDLE, text); }

  void writeDetail(std::string_view text) override {
    std::string line(text);
    line += "\r\n";
    writeAll(STD_ERROR_HANDLE, line);
  }

  std::string readLine() override { return lineReader_.readLine(); }

 private:
  LineReader lineReader_{readStandardInput};
};

}  // namespace

std::unique_ptr<Console> createSystemConsole() { return std::make_unique<WindowsConsole>(); }

}  // namespace p2a
