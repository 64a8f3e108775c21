// The harness behind the end-to-end tests: a pseudo-terminal plays the board,
// pipes carry the program's console, and a shell script on PATH stands in
// for the sound player.
#include "tests/end_to_end/monitor_run.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace p2a::testing {

namespace {

using Clock = std::chrono::steady_clock;

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

void writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    check(n > 0, "write");
    done += static_cast<std::size_t>(n);
  }
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Appends what is readable on `fd` to `sink`; false at the end of input.
bool drain(int fd, std::string& sink) {
  char buffer[4096];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) sink.append(buffer, static_cast<std::size_t>(n));
  return n > 0 || (n < 0 && (errno == EINTR || errno == EAGAIN));
}

struct Child {
  pid_t pid;
  int input;   // write end of its standard input, or -1
  int output;  // read end of its standard output, or -1
  int errors;  // read end of its standard error, or -1
};

// Starts the monitor with `env` added; its standard output goes to
// `outputFile` when given, else to a pipe.
Child startMonitor(const std::vector<std::string>& env, const std::string& outputFile) {
  int in[2], out[2], err[2];
  check(::pipe(in) == 0 && ::pipe(out) == 0 && ::pipe(err) == 0, "pipe");
  pid_t pid = ::fork();
  check(pid >= 0, "fork");
  if (pid == 0) {
    ::dup2(in[0], 0);
    if (outputFile.empty()) {
      ::dup2(out[1], 1);
    } else {
      int file = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(file, 1);
    }
    ::dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    for (const std::string& entry : env) ::putenv(const_cast<char*>(entry.c_str()));
    ::execl(P2A_MONITOR_PATH, "p2a-monitor", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  ::signal(SIGPIPE, SIG_IGN);
  return {pid, in[1], out[0], err[0]};
}

int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

}  // namespace

BoardStep answer(const std::string& bytes) { return {BoardStep::Kind::Answer, bytes}; }
BoardStep vanish() { return {BoardStep::Kind::Vanish, ""}; }

MonitorRig::MonitorRig() {
  std::string pattern = (std::filesystem::temp_directory_path() / "p2a-e2e-XXXXXX").string();
  check(::mkdtemp(pattern.data()) != nullptr, "mkdtemp");
  folder_ = pattern;
  std::filesystem::create_directory(folder_ + "/bin");
  {
    std::ofstream player(folder_ + "/bin/pw-play");
    player << "#!/bin/sh\necho \"$@\" >> '" << folder_ << "/played.txt'\n";
  }
  std::filesystem::permissions(folder_ + "/bin/pw-play", std::filesystem::perms::owner_all);
  check(::openpty(&master_, &slave_, nullptr, nullptr, nullptr) == 0, "openpty");
  // The test keeps a slave open so the master reads cleanly before the
  // program opens its own.
  check(::fcntl(master_, F_SETFL, O_NONBLOCK) == 0, "fcntl");
  // The program must not inherit the board's side of the line, or closing it
  // here would not hang the line up.
  check(::fcntl(master_, F_SETFD, FD_CLOEXEC) == 0 && ::fcntl(slave_, F_SETFD, FD_CLOEXEC) == 0,
        "fcntl");
}

MonitorRig::~MonitorRig() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

int MonitorRig::startHolder(const std::string& stdinText) {
  std::string digitLink = folder_ + "/COM" + stdinText.substr(0, 1);
  std::filesystem::create_symlink(::ttyname(slave_), digitLink);
  std::string outputFile = folder_ + "/holder.out";
  Child holder = startMonitor({"P2A_SERIAL_DIR=" + folder_, "PATH=" + folder_ + "/bin:/usr/bin:/bin"},
                              outputFile);
  writeAll(holder.input, stdinText);
  ::close(holder.input);
  ::close(holder.output);
  ::close(holder.errors);
  const auto giveUp = Clock::now() + std::chrono::seconds(10);
  while (readFile(outputFile).find("Waiting for arduino") == std::string::npos) {
    if (Clock::now() > giveUp) throw std::runtime_error("holder did not open the port");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return holder.pid;
}

MonitorRunResult MonitorRig::run(const MonitorRunOptions& options) {
  const std::string link = folder_ + "/COM" + options.portDigit;
  if (!std::filesystem::is_symlink(link)) std::filesystem::create_symlink(::ttyname(slave_), link);

  Child child = startMonitor(
      {"P2A_SERIAL_DIR=" + folder_, "PATH=" + folder_ + "/bin:/usr/bin:/bin"}, "");
  writeAll(child.input, options.stdinText);
  ::close(child.input);

  MonitorRunResult result;
  std::string command;
  std::size_t nextStep = 0;
  bool outputOpen = true;
  bool errorsOpen = true;
  Clock::time_point vanishedAt{};
  const auto giveUp = Clock::now() + options.limit;
  int status = 0;
  bool exited = false;

  while (outputOpen || errorsOpen || !exited) {
    if (Clock::now() > giveUp) {
      ::kill(child.pid, SIGKILL);
      ::waitpid(child.pid, &status, 0);
      result.exitCode = -1;
      break;
    }
    pollfd fds[3] = {{child.output, POLLIN, 0}, {child.errors, POLLIN, 0}, {master_, POLLIN, 0}};
    ::poll(fds, master_ >= 0 ? 3 : 2, 20);
    if (outputOpen && fds[0].revents) outputOpen = drain(child.output, result.output);
    if (errorsOpen && fds[1].revents) errorsOpen = drain(child.errors, result.errors);
    if (master_ >= 0 && (fds[2].revents & POLLIN)) {
      std::string received;
      drain(master_, received);
      result.wire += received;
      for (char c : received) {
        command += c;
        if (c != '\r') continue;
        command.clear();
        if (nextStep >= options.steps.size()) continue;
        const BoardStep& step = options.steps[nextStep++];
        if (step.kind == BoardStep::Kind::Answer) {
          writeAll(master_, step.bytes);
        } else {
          ::close(master_);
          ::close(slave_);
          master_ = slave_ = -1;
          vanishedAt = Clock::now();
          break;
        }
      }
    }
    if (!exited && ::waitpid(child.pid, &status, WNOHANG) == child.pid) {
      exited = true;
      result.exitCode = exitCodeOf(status);
      if (vanishedAt != Clock::time_point{}) {
        result.vanishToExit =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - vanishedAt);
      }
    }
  }
  ::close(child.output);
  ::close(child.errors);

  // The player runs detached; give it a moment to record what it was given.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::istringstream played(readFile(folder_ + "/played.txt"));
  for (std::string line; std::getline(played, line);) result.soundsPlayed.push_back(line);
  return result;
}

}  // namespace p2a::testing
