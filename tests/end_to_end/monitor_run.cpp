// The harness behind the end-to-end tests: the board is either scripted on a
// pseudo-terminal of the test's own or played by p2a-board-sim; pipes carry
// the program's console, and a shell script on PATH stands in for the sound
// player.
#include "tests/end_to_end/monitor_run.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
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

void waitUntil(const std::function<bool()>& done, const char* what) {
  const auto giveUp = Clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (Clock::now() > giveUp) throw std::runtime_error(what);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

struct Child {
  pid_t pid;
  int input;   // write end of its standard input
  int output;  // read end of its standard output, or -1
  int errors;  // read end of its standard error, or -1
};

// Starts a program with the environment entries added. Its standard output
// and error go to the files given, or to pipes where a name is empty.
Child start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& outputFile, const std::string& errorFile) {
  int in[2], out[2], err[2];
  check(::pipe(in) == 0 && ::pipe(out) == 0 && ::pipe(err) == 0, "pipe");
  pid_t pid = ::fork();
  check(pid >= 0, "fork");
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(outputFile.empty() ? out[1] : ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(errorFile.empty() ? err[1] : ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    for (const std::string& entry : env) ::putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  for (int fd : {in[0], out[1], err[1]}) ::close(fd);
  if (!outputFile.empty()) ::close(out[0]);
  if (!errorFile.empty()) ::close(err[0]);
  ::signal(SIGPIPE, SIG_IGN);
  return {pid, in[1], outputFile.empty() ? out[0] : -1, errorFile.empty() ? err[0] : -1};
}

int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

void stopProcess(int pid) {
  if (pid < 0) return;
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

// The packets a simulator log shows as received, in order.
std::vector<std::string> packetsInLog(const std::string& log) {
  std::vector<std::string> packets;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    std::size_t at = line.find(" received ");
    if (at == std::string::npos) continue;
    std::size_t start = at + std::strlen(" received ");
    packets.push_back(line.substr(start, line.find_first_of(" \t", start) - start));
  }
  return packets;
}

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
    player << "#!/bin/sh\n"
           << "echo \"$@\" >> '" << folder_ << "/played.txt'\n"
           << "cut -d' ' -f1 /proc/uptime >> '" << folder_ << "/played-at.txt'\n";
  }
  std::filesystem::permissions(folder_ + "/bin/pw-play", std::filesystem::perms::owner_all);
}

MonitorRig::~MonitorRig() {
  stopProcess(holder_);
  stopProcess(simulator_);
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void MonitorRig::openScriptedBoard(char portDigit) {
  check(::openpty(&master_, &slave_, nullptr, nullptr, nullptr) == 0, "openpty");
  // The test keeps a slave open so the master reads cleanly before the
  // program opens its own; the program must not inherit either, or closing
  // them here would not hang the line up.
  check(::fcntl(master_, F_SETFL, O_NONBLOCK) == 0, "fcntl");
  check(::fcntl(master_, F_SETFD, FD_CLOEXEC) == 0 && ::fcntl(slave_, F_SETFD, FD_CLOEXEC) == 0,
        "fcntl");
  std::filesystem::create_symlink(::ttyname(slave_), folder_ + "/COM" + portDigit);
}

void MonitorRig::startSimulator(char portDigit, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {P2A_BOARD_SIM_PATH, "--dir", folder_, "--port", std::string(1, portDigit)};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  Child simulator = start(argv, {}, "/dev/null", folder_ + "/board.log");
  ::close(simulator.input);
  simulator_ = simulator.pid;
  const std::string link = folder_ + "/COM" + portDigit;
  waitUntil([&] { return std::filesystem::exists(link); }, "the simulated board did not start");
}

void MonitorRig::stopSimulator(MonitorRunResult& result) {
  stopProcess(simulator_);
  simulator_ = -1;
  result.boardLog = readFile(folder_ + "/board.log");
  result.packetsReceived = packetsInLog(result.boardLog);
}

void MonitorRig::startHolder(char portDigit) {
  const std::string outputFile = folder_ + "/holder.out";
  Child holder = start({P2A_MONITOR_PATH}, {"P2A_SERIAL_DIR=" + folder_, "PATH=" + folder_ + "/bin:/usr/bin:/bin"},
                       outputFile, "/dev/null");
  writeAll(holder.input, std::string(1, portDigit) + "\n9600\n");
  ::close(holder.input);
  holder_ = holder.pid;
  waitUntil([&] { return readFile(outputFile).find("Waiting for arduino") != std::string::npos; },
            "the holding monitor did not open the port");
}

MonitorRunResult MonitorRig::run(const MonitorRunOptions& options) {
  const bool simulated = !options.simulatorArguments.empty();
  const std::string link = folder_ + "/COM" + options.portDigit;
  if (simulated && simulator_ < 0) startSimulator(options.portDigit, options.simulatorArguments);
  if (!simulated && !options.steps.empty() && !std::filesystem::is_symlink(link)) {
    openScriptedBoard(options.portDigit);
  }

  Child child = start({P2A_MONITOR_PATH},
                      {"P2A_SERIAL_DIR=" + folder_, "PATH=" + folder_ + "/bin:/usr/bin:/bin"}, "", "");
  writeAll(child.input, options.stdinText);
  ::close(child.input);

  MonitorRunResult result;
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
    ::poll(fds, 3, 20);
    if (outputOpen && fds[0].revents) outputOpen = drain(child.output, result.output);
    if (errorsOpen && fds[1].revents) errorsOpen = drain(child.errors, result.errors);
    if (master_ >= 0 && (fds[2].revents & POLLIN)) {
      std::string received;
      drain(master_, received);
      result.wire += received;
      for (char c : received) {
        if (c != '\r' || nextStep >= options.steps.size()) continue;
        const BoardStep& step = options.steps[nextStep++];
        if (step.kind == BoardStep::Kind::Answer) {
          writeAll(master_, step.bytes);
          continue;
        }
        ::close(master_);
        ::close(slave_);
        master_ = slave_ = -1;
        vanishedAt = Clock::now();
        break;
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
  if (simulated) stopSimulator(result);

  // The player runs detached; give it a moment to record what it was given.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::istringstream played(readFile(folder_ + "/played.txt"));
  for (std::string line; std::getline(played, line);) result.soundsPlayed.push_back(line);
  std::istringstream playedAt(readFile(folder_ + "/played-at.txt"));
  for (double seconds; playedAt >> seconds;) result.soundTimes.push_back(seconds);
  return result;
}

}  // namespace p2a::testing
