// A console that records every byte written and answers line reads from a
// script; once the script is used up it behaves like a closed input.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/console.h"

namespace p2a::testing {

class RecordingConsole : public Console {
 public:
  void write(std::string_view text) override {
    output.append(text);
    writes.emplace_back(text);
  }
  void writeDetail(std::string_view text) override { details.emplace_back(text); }
  std::string readLine() override {
    ++linesRead;
    if (input.empty()) return "";
    std::string line = input.front();
    input.pop_front();
    return line;
  }

  std::deque<std::string> input;
  std::string output;
  std::vector<std::string> writes;
  std::vector<std::string> details;
  int linesRead = 0;
};

}  // namespace p2a::testing
