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
  std::string stdinText;      // typed at the prompts; input closes after it
  char portDigit = '7';       // the board is linked as COM<digit>
  std::vector<BoardStep> steps;  // one per command; silent once used up
  std::chrono::seconds limit{30};
};

struct MonitorRunResult {
  std::string output;  // standard output, byte for byte
  std::string errors;  // standard error
  std::string wire;    // every byte the program sent to the board
  int exitCode = -1;   // -1 when it had to be killed at the limit
  std::chrono::milliseconds vanishToExit{0};
  std::vector<std::string> soundsPlayed;  // arguments given to the player
};

// A temporary folder with the board's link and a fake sound player on PATH.
class MonitorRig {
 public:
  MonitorRig();
  ~MonitorRig();
  MonitorRig(const MonitorRig&) = delete;
  MonitorRig& operator=(const MonitorRig&) = delete;

  MonitorRunResult run(const MonitorRunOptions& options);

  // Starts a monitor on the same port while `run` is not active, for the
  // exclusive-access test: returns its pid; its output goes to /dev/null.
  int startHolder(const std::string& stdinText);

  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  int master_ = -1;
  int slave_ = -1;
};

}  // namespace p2a::testing
