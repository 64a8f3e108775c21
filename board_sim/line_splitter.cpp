// Splitting received bytes into command lines.
#include "board_sim/line_splitter.h"

namespace p2a::board_sim {

std::vector<std::string> LineSplitter::feed(std::string_view bytes) {
  std::vector<std::string> lines;
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      if (!partial_.empty()) lines.push_back(std::move(partial_));
      partial_.clear();
      continue;
    }
    partial_ += c;
    if (partial_.size() == kLongestCommandLine) {
      lines.push_back(std::move(partial_));
      partial_.clear();
    }
  }
  return lines;
}

}  // namespace p2a::board_sim
