// The self-pipe behind SignalPipe.
#include "board_sim/signal_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace p2a::board_sim {

namespace {

// Where the handler writes; the handler may only touch plain data like this.
volatile sig_atomic_t gSignalWriteEnd = -1;

extern "C" void noteSignal(int signalNumber) {
  const int savedErrno = errno;
  const auto byte = static_cast<unsigned char>(signalNumber);
  // A full pipe already holds a stop request, so a failed write loses nothing.
  const ssize_t ignored = ::write(gSignalWriteEnd, &byte, 1);
  (void)ignored;
  errno = savedErrno;
}

void makeNonBlockingAndCloseOnExec(int fd) {
  const int status = ::fcntl(fd, F_GETFL);
  const int descriptor = ::fcntl(fd, F_GETFD);
  if (status < 0 || descriptor < 0 || ::fcntl(fd, F_SETFL, status | O_NONBLOCK) != 0 ||
      ::fcntl(fd, F_SETFD, descriptor | FD_CLOEXEC) != 0) {
    throw std::system_error(errno, std::generic_category(), "fcntl");
  }
}

void install(int signalNumber, struct sigaction& previous) {
  struct sigaction action {};
  action.sa_handler = noteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: poll() returns EINTR at once
  if (::sigaction(signalNumber, &action, &previous) != 0) {
    throw std::system_error(errno, std::generic_category(), "sigaction");
  }
}

}  // namespace

SignalPipe::SignalPipe() {
  int ends[2];
  if (::pipe(ends) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  readEnd_ = FileDescriptor(ends[0]);
  writeEnd_ = FileDescriptor(ends[1]);
  makeNonBlockingAndCloseOnExec(ends[0]);
  makeNonBlockingAndCloseOnExec(ends[1]);
  gSignalWriteEnd = ends[1];
  install(SIGINT, previousInterrupt_);
  install(SIGTERM, previousTerminate_);
  install(SIGHUP, previousHangUp_);
}

SignalPipe::~SignalPipe() {
  ::sigaction(SIGINT, &previousInterrupt_, nullptr);
  ::sigaction(SIGTERM, &previousTerminate_, nullptr);
  ::sigaction(SIGHUP, &previousHangUp_, nullptr);
  gSignalWriteEnd = -1;
}

std::optional<int> SignalPipe::takeSignal() {
  unsigned char byte = 0;
  if (::read(readEnd_.get(), &byte, 1) == 1) return byte;
  return std::nullopt;
}

std::string signalName(int signalNumber) {
  switch (signalNumber) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "signal " + std::to_string(signalNumber);
  }
}

}  // namespace p2a::board_sim
