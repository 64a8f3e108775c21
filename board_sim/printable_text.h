// Received and sent bytes shown in the log: printable ASCII as it is, every
// other byte (and the backslash) as an escape, so a log line stays one line.
#pragma once

#include <string>
#include <string_view>

namespace p2a::board_sim {

// "\x00\xFFab\\" for the bytes 00 FF 61 62 5C.
std::string printable(std::string_view bytes);

}  // namespace p2a::board_sim
