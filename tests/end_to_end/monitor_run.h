// Runs the real monitor program against a scripted board on a pseudo-terminal
// and records everything: the program's output, the bytes it put on the wire
// and how it ended.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace p2a::testing {

// What the board does when the next command packet (up to its CR) arrives.
struct BoardStep {
  enum class Kind { Answer, Vanish };
  Kind kind;
  std::string bytes;  // for Answer: exactly what the board sends
};

BoardStep answer(const std::string& bytes);
BoardStep vanish();

struct MonitorRunOptions {
  std::string stdinText;         // typed at the prompts; input closes after it
  char portDigit = '7';          // the board is linked as COM<digit>
  std::vector<BoardStep> steps;  // scripted board: one per command; silent once used up
  std::vector<std::string> simulatorArguments;  // simulated board: its options
  std::chrono::seconds limit{30};
};

struct MonitorRunResult {
  std::string output;  // standard output, byte for byte
  std::string errors;  // standard error
  std::string wire;    // scripted board: every byte the program sent to it
  std::vector<std::string> packetsReceived;  // simulated board: from its log
  std::string boardLog;                      // simulated board: its log
  int exitCode = -1;   // -1 when it had to be killed at the limit
  std::chrono::milliseconds vanishToExit{0};
  std::vector<std::string> soundsPlayed;  // arguments given to the player
  std::vector<double> soundTimes;         // seconds (monotonic) when it started
};

// A temporary folder with the board's link and a fake sound player on PATH.
// The board is scripted on a pseudo-terminal of the test's own (`steps`) or
// played by p2a-board-sim (`simulatorArguments`).
class MonitorRig {
 public:
  MonitorRig();
  ~MonitorRig();
  MonitorRig(const MonitorRig&) = delete;
  MonitorRig& operator=(const MonitorRig&) = delete;

  MonitorRunResult run(const MonitorRunOptions& options);

  // Starts a monitor that holds the simulated board's port COM<digit> (the
  // simulator must already run, see startSimulator), for the exclusive-access
  // test; returns once the port is open. Ended with the rig.
  void startHolder(char portDigit);

  // Starts p2a-board-sim on COM<digit> and waits for its link.
  void startSimulator(char portDigit, const std::vector<std::string>& arguments);

  const std::string& folder() const { return folder_; }

 private:
  void openScriptedBoard(char portDigit);
  void stopSimulator(MonitorRunResult& result);

  std::string folder_;
  int master_ = -1;
  int slave_ = -1;
  int simulator_ = -1;
  int holder_ = -1;
};

}  // namespace p2a::testing
