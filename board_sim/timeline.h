// A timeline that drives the board's inputs by time, written as entries
// "SECONDS:STATE" separated by blanks, for example
//
//   "0:off 3:switch 6:switch+motion 20:off 25:end"
//
// SECONDS is a whole number with up to three decimals (0.5, 12.25), and the
// times must be strictly ascending. STATE sets both inputs exactly: off,
// switch, motion or switch+motion; "end" stops the simulator and must be the
// last entry. Before the first entry both inputs are off.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "board_sim/board.h"

namespace p2a::board_sim {

struct TimelineEntry {
  std::chrono::milliseconds at{0};
  bool ends = false;   // the "end" entry
  BoardInputs inputs;  // the inputs from `at` on (not for "end")
};

class Timeline {
 public:
  // Throws std::invalid_argument with a message naming the faulty entry.
  static Timeline parse(std::string_view text);

  // The inputs in force `elapsed` after the timeline started.
  BoardInputs inputsAt(std::chrono::milliseconds elapsed) const;

  const std::vector<TimelineEntry>& entries() const { return entries_; }

 private:
  std::vector<TimelineEntry> entries_;
};

// "2.500 s" for 2500 ms.
std::string secondsText(std::chrono::milliseconds time);

}  // namespace p2a::board_sim
