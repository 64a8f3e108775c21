// Cuts the bytes coming from the monitor into command lines. The monitor ends
// each command packet with CR; LF ends a line too, so that a packet typed in a
// terminal program works as well.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace p2a::board_sim {

// Longest line kept: longer ones are cut here and handed on as they are (they
// then fail the packet checks) so that noise cannot grow without bound.
inline constexpr std::size_t kLongestCommandLine = 64;

class LineSplitter {
 public:
  // The lines completed by `bytes`, without their line ends; empty lines are
  // dropped. An unfinished line is kept for the next call.
  std::vector<std::string> feed(std::string_view bytes);

 private:
  std::string partial_;
};

}  // namespace p2a::board_sim
