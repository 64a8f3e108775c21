// Starting the simulator program and talking to it as the monitor would.
#include "simulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace p2a::board_sim::testing {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kPollStep{10};

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

TemporaryFolder::TemporaryFolder() {
  std::string pattern = "/tmp/p2a-board-sim-test-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& arguments,
                                   const std::string& logPath) {
  std::vector<char*> argv;
  std::string program = P2A_BOARD_SIM_PATH;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    const int input = ::open("/dev/null", O_RDONLY);
    const int output = ::open("/dev/null", O_WRONLY);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || output < 0 || log < 0) ::_exit(126);
    ::dup2(input, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(log, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
}

SimulatorProcess::~SimulatorProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

std::optional<int> SimulatorProcess::waitForExit(milliseconds limit) {
  if (pid_ <= 0) return std::nullopt;
  const Clock::time_point deadline = Clock::now() + limit;
  while (true) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kPollStep);
  }
}

bool waitForWorkingLink(const std::string& path, milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  std::error_code ignored;
  while (!std::filesystem::exists(path, ignored)) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollStep);
  }
  return true;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

MonitorSide::MonitorSide(const std::string& linkPath) {
  fd_ = ::open(linkPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return;
  struct termios settings {};
  if (::tcgetattr(fd_, &settings) == 0) {
    ::cfmakeraw(&settings);
    ::tcsetattr(fd_, TCSANOW, &settings);
  }
}

MonitorSide::~MonitorSide() {
  if (fd_ >= 0) ::close(fd_);
}

void MonitorSide::send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (count <= 0) return;
    done += static_cast<std::size_t>(count);
  }
}

std::string MonitorSide::readLine(milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  std::string line;
  while (line.find('\n') == std::string::npos) {
    struct pollfd watch {
      fd_, POLLIN, 0
    };
    if (::poll(&watch, 1, remainingMs(deadline)) <= 0) break;
    char byte = 0;
    // One byte at a time, so nothing after the LF is taken.
    if (::read(fd_, &byte, 1) != 1) break;
    line += byte;
  }
  return line;
}

bool MonitorSide::waitForHangUp(milliseconds limit) {
  struct pollfd watch {
    fd_, POLLIN, 0
  };
  return ::poll(&watch, 1, static_cast<int>(limit.count())) == 1 && (watch.revents & POLLHUP) != 0;
}

}  // namespace p2a::board_sim::testing
