// The terminal on standard input switched to single keys without echo for the
// interactive mode, and put back as it was when the simulator stops.
#pragma once

#include <termios.h>

namespace p2a::board_sim {

// True when standard input is a terminal and this process is in its
// foreground, so reading keys neither fails nor stops the process.
bool keyboardIsOurs();

class KeyboardMode {
 public:
  // Switches standard input to non-canonical mode without echo; throws
  // std::system_error when it cannot.
  KeyboardMode();
  // Restores the settings found at the start.
  ~KeyboardMode();

  KeyboardMode(const KeyboardMode&) = delete;
  KeyboardMode& operator=(const KeyboardMode&) = delete;

 private:
  struct termios saved_ {};
};

}  // namespace p2a::board_sim
