// Port name mapping for Linux and macOS; the rules are in port_name_posix.h.
#include "platform/port_name_posix.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#ifdef __APPLE__
#include <glob.h>
#endif

namespace p2a {

namespace {

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

#ifdef __APPLE__
// The first path, in sorted order, matching the pattern; empty if none.
std::string firstMatch(const std::string& pattern) {
  glob_t matches{};
  std::string first;
  if (::glob(pattern.c_str(), 0, nullptr, &matches) == 0 && matches.gl_pathc > 0) {
    first = matches.gl_pathv[0];
  }
  ::globfree(&matches);
  return first;
}
#endif

}  // namespace

std::string resolvePortName(const std::string& portName) {
  if (portName.size() != 4 || portName.compare(0, 3, "COM") != 0) return portName;
  const std::string digit = portName.substr(3);

  const char* serialDir = std::getenv("P2A_SERIAL_DIR");
  if (serialDir != nullptr && serialDir[0] != '\0') {
    return std::string(serialDir) + "/" + portName;
  }

  const std::vector<std::string> candidates = {"/dev/ttyACM" + digit, "/dev/ttyUSB" + digit,
                                               "/dev/ttyS" + digit};
  for (const std::string& candidate : candidates) {
    if (exists(candidate)) return candidate;
  }
#ifdef __APPLE__
  for (const char* prefix : {"/dev/cu.usbmodem*", "/dev/cu.usbserial*"}) {
    std::string match = firstMatch(prefix + digit + "*");
    if (!match.empty()) return match;
  }
#endif
  return candidates.front();
}

}  // namespace p2a
