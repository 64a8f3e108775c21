// Test helpers for running the real p2a-board-sim: a temporary folder, the
// program started in it, and the monitor's side of the port it makes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace p2a::board_sim::testing {

// A fresh folder under /tmp, removed with its contents at the end.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The simulator program, started with standard input from /dev/null (so it is
// not interactive) and standard error into a log file. Killed at the end if
// it still runs.
class SimulatorProcess {
 public:
  SimulatorProcess(const std::vector<std::string>& arguments, const std::string& logPath);
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  pid_t pid() const { return pid_; }

  // Its exit status once it has ended within `limit` (128 + the signal number
  // when a signal killed it); empty when it is still running.
  std::optional<int> waitForExit(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
};

// True once `path` leads to an existing file within `limit`.
bool waitForWorkingLink(const std::string& path, std::chrono::milliseconds limit);

std::string readFile(const std::string& path);

// The serial port as the monitor opens it: read and write, no controlling
// terminal, raw.
class MonitorSide {
 public:
  explicit MonitorSide(const std::string& linkPath);
  ~MonitorSide();
  MonitorSide(const MonitorSide&) = delete;
  MonitorSide& operator=(const MonitorSide&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  void send(const std::string& bytes);

  // The bytes up to and including the first LF, or all that came when `limit`
  // passed first.
  std::string readLine(std::chrono::milliseconds limit);

  // True when the port hangs up within `limit`.
  bool waitForHangUp(std::chrono::milliseconds limit);

  int descriptor() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace p2a::board_sim::testing
