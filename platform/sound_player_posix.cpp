// Background WAV playback on Linux and macOS through a command-line player
// found on PATH, started detached so that it never becomes a zombie and never
// writes to our console.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sound_player.h"

namespace p2a {

namespace {

// The player commands tried in order: program name and its options before the
// file name.
#ifdef __APPLE__
const std::vector<std::vector<std::string>> kPlayers = {{"afplay"}};
#else
const std::vector<std::vector<std::string>> kPlayers = {{"pw-play"}, {"paplay"}, {"aplay", "-q"}};
#endif

// Sound paths may be written the Windows way: "c:/sounds/alarm.wav" or
// "c:\sounds\alarm.wav" stand for "/sounds/alarm.wav". Backslashes always
// become slashes.
std::string localPath(const std::string& path) {
  std::string local = path;
  const bool hasDrive = local.size() >= 3 && std::isalpha(static_cast<unsigned char>(local[0])) &&
                        local[1] == ':' && (local[2] == '/' || local[2] == '\\');
  if (hasDrive) local.erase(0, 2);
  std::replace(local.begin(), local.end(), '\\', '/');
  return local;
}

// The full path of an executable program on PATH, or empty. Empty PATH
// entries (the current directory) are not searched.
std::string findOnPath(const std::string& program) {
  const char* searchPath = std::getenv("PATH");
  if (searchPath == nullptr) return {};
  const std::string directories = searchPath;
  std::size_t start = 0;
  while (start <= directories.size()) {
    std::size_t end = directories.find(':', start);
    if (end == std::string::npos) end = directories.size();
    const std::string directory = directories.substr(start, end - start);
    if (!directory.empty()) {
      std::string candidate = directory + "/" + program;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

// In the player's process: cuts it off from our console and session, then
// becomes the player.
[[noreturn]] void runPlayer(const std::string& program, const std::vector<char*>& argv) {
  const int devNull = ::open("/dev/null", O_RDWR);
  if (devNull < 0) ::_exit(127);
  ::dup2(devNull, STDIN_FILENO);
  ::dup2(devNull, STDOUT_FILENO);
  ::dup2(devNull, STDERR_FILENO);
  if (devNull > STDERR_FILENO) ::close(devNull);
  ::setsid();
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

// Runs the command detached: an intermediate child starts the player and
// exits at once, so the player is adopted by the system and this process
// only waits for the short-lived intermediate child.
void startDetached(const std::string& program, std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    if (::fork() == 0) runPlayer(program, argv);
    ::_exit(0);
  }
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

class PosixSoundPlayer : public SoundPlayer {
 public:
  void playInBackground(const std::string& path) override {
    const std::string file = localPath(path);
    if (::access(file.c_str(), R_OK) != 0) return;
    for (const std::vector<std::string>& player : kPlayers) {
      const std::string program = findOnPath(player.front());
      if (program.empty()) continue;
      std::vector<std::string> arguments = player;
      arguments.push_back(file);
      startDetached(program, arguments);
      return;
    }
  }
};

}  // namespace

std::unique_ptr<SoundPlayer> createSystemSoundPlayer() {
  return std::make_unique<PosixSoundPlayer>();
}

}  // namespace p2a
