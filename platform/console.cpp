// The line helper shared by every console.
#include "platform/console.h"

namespace p2a {

void writeLine(Console& console, std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  console.write(line);
}

}  // namespace p2a
