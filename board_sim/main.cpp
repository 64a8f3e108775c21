// p2a-board-sim: plays the board on a pseudo-terminal so that the monitor can
// be run, by hand or by tests, without hardware. `p2a-board-sim --help` tells
// how to use it.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "board_sim/command_line.h"
#include "board_sim/event_log.h"
#include "board_sim/keyboard_mode.h"
#include "board_sim/pseudo_terminal.h"
#include "board_sim/signal_pipe.h"
#include "board_sim/simulator.h"

namespace {

using namespace p2a::board_sim;

constexpr int kBadOptionsStatus = 2;
constexpr int kFailureStatus = 1;

std::string inputsDescription(const SimulatorOptions& options, bool interactive) {
  if (options.timeline) return "timeline";
  if (interactive) return "keys s (switch), m (motion), q (quit)";
  return "none, switch and motion stay off";
}

void runSimulator(const SimulatorOptions& options) {
  const bool interactive = !options.timeline && keyboardIsOurs();
  EventLog log(interactive);
  SignalPipe signals;
  std::filesystem::create_directories(options.folder);
  PseudoTerminal port(options.folder + "/COM" + options.portDigit);
  std::optional<KeyboardMode> keyboard;
  if (interactive) keyboard.emplace();

  log.line("board on " + port.linkPath() + " -> " + port.slavePath() +
           (port.replacedStaleLink() ? " (stale link replaced)" : ""));
  log.line("inputs: " + inputsDescription(options, interactive) +
           "; faults: " + options.faults.describe());
  Simulator(options, port, signals, log, interactive).run();
}

}  // namespace

int main(int argc, char** argv) {
  SimulatorOptions options;
  try {
    options = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                               std::getenv("P2A_SERIAL_DIR"));
  } catch (const std::invalid_argument& error) {
    std::cerr << "p2a-board-sim: " << error.what() << "\nTry 'p2a-board-sim --help'.\n";
    return kBadOptionsStatus;
  }
  if (options.helpWanted) {
    std::cout << usageText();
    return EXIT_SUCCESS;
  }
  try {
    runSimulator(options);
  } catch (const std::exception& error) {
    std::cerr << "p2a-board-sim: " << error.what() << "\n";
    return kFailureStatus;
  }
  return EXIT_SUCCESS;
}
