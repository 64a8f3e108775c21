// Stop requests by signal (SIGINT, SIGTERM, SIGHUP) turned into bytes on a
// pipe, so the event loop sees them among its other descriptors and stops
// cleanly instead of dying where it stands.
#pragma once

#include <signal.h>

#include <optional>
#include <string>

#include "board_sim/file_descriptor.h"

namespace p2a::board_sim {

class SignalPipe {
 public:
  // Installs the handlers; only one SignalPipe may exist at a time.
  SignalPipe();
  // Puts the previous handlers back.
  ~SignalPipe();

  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  // Becomes readable when a signal has been caught.
  int readEnd() const { return readEnd_.get(); }

  // The signal caught, if any, taken off the pipe.
  std::optional<int> takeSignal();

 private:
  FileDescriptor readEnd_;
  FileDescriptor writeEnd_;
  struct sigaction previousInterrupt_ {};
  struct sigaction previousTerminate_ {};
  struct sigaction previousHangUp_ {};
};

// "SIGTERM" and the like.
std::string signalName(int signalNumber);

}  // namespace p2a::board_sim
