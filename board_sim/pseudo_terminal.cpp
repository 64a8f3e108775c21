// Opening the pseudo-terminal, linking it and taking it down again.
#include "board_sim/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace p2a::board_sim {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void throwLastError(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void addDescriptorFlag(int fd, int flag) {
  const int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0 || ::fcntl(fd, F_SETFD, flags | flag) != 0) throwLastError("fcntl");
}

void addStatusFlag(int fd, int flag) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | flag) != 0) throwLastError("fcntl");
}

}  // namespace

PseudoTerminal::PseudoTerminal(std::string linkPath) : linkPath_(std::move(linkPath)) {
  master_ = FileDescriptor(::posix_openpt(O_RDWR | O_NOCTTY));
  if (!master_.isOpen()) throwLastError("cannot open a pseudo-terminal");
  addDescriptorFlag(master_.get(), FD_CLOEXEC);
  addStatusFlag(master_.get(), O_NONBLOCK);
  if (::grantpt(master_.get()) != 0) throwLastError("grantpt");
  if (::unlockpt(master_.get()) != 0) throwLastError("unlockpt");
  const char* name = ::ptsname(master_.get());
  if (name == nullptr) throwLastError("ptsname");
  slavePath_ = name;

  slave_ = FileDescriptor(::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!slave_.isOpen()) throwLastError("cannot open " + slavePath_);
  struct termios settings {};
  if (::tcgetattr(slave_.get(), &settings) != 0) throwLastError("tcgetattr " + slavePath_);
  ::cfmakeraw(&settings);
  if (::tcsetattr(slave_.get(), TCSANOW, &settings) != 0) throwLastError("tcsetattr " + slavePath_);

  createLink();
}

PseudoTerminal::~PseudoTerminal() { close(); }

std::size_t PseudoTerminal::unreadByOtherSide() const {
  int count = 0;
  if (!slave_.isOpen() || ::ioctl(slave_.get(), FIONREAD, &count) != 0) return 0;
  return static_cast<std::size_t>(count);
}

void PseudoTerminal::clearExclusiveMode() {
  if (slave_.isOpen()) ::ioctl(slave_.get(), TIOCNXCL);
}

void PseudoTerminal::close() {
  std::error_code ignored;
  if (master_.isOpen() && fs::read_symlink(linkPath_, ignored) == slavePath_) {
    fs::remove(linkPath_, ignored);
  }
  slave_.close();
  master_.close();
}

void PseudoTerminal::createLink() {
  const fs::file_status existing = fs::symlink_status(linkPath_);
  if (fs::exists(existing)) {
    if (!fs::is_symlink(existing)) {
      throw std::runtime_error(linkPath_ + " exists and is not a link; not replacing it");
    }
    replacedStaleLink_ = true;
  }
  // Made beside it and renamed over it, so the name never points nowhere.
  const std::string fresh = linkPath_ + ".new" + std::to_string(::getpid());
  std::error_code ignored;
  fs::remove(fresh, ignored);
  fs::create_symlink(slavePath_, fresh);
  fs::rename(fresh, linkPath_);
}

}  // namespace p2a::board_sim
