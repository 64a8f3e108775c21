// The simulator's command line: its options, their checks and the usage text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "board_sim/fault_plan.h"
#include "board_sim/timeline.h"

namespace p2a::board_sim {

inline constexpr const char* kDefaultPortFolder = "/tmp/p2a-ports";

struct SimulatorOptions {
  std::string folder;  // where the link COM<portDigit> is made
  char portDigit = '5';
  std::optional<Timeline> timeline;
  FaultPlan faults;
  bool helpWanted = false;
};

// The options in `arguments` (without the program name). `serialDirVariable`
// is the value of P2A_SERIAL_DIR, or null when it is not set. Throws
// std::invalid_argument with a message for the user on any fault.
SimulatorOptions parseCommandLine(const std::vector<std::string>& arguments,
                                  const char* serialDirVariable);

std::string usageText();

}  // namespace p2a::board_sim
