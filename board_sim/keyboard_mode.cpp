// Switching the keyboard terminal to single keys and back.
#include "board_sim/keyboard_mode.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace p2a::board_sim {

bool keyboardIsOurs() {
  return ::isatty(STDIN_FILENO) == 1 && ::tcgetpgrp(STDIN_FILENO) == ::getpgrp();
}

KeyboardMode::KeyboardMode() {
  if (::tcgetattr(STDIN_FILENO, &saved_) != 0) {
    throw std::system_error(errno, std::generic_category(), "tcgetattr on standard input");
  }
  struct termios keys = saved_;
  keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  keys.c_cc[VMIN] = 1;
  keys.c_cc[VTIME] = 0;
  if (::tcsetattr(STDIN_FILENO, TCSANOW, &keys) != 0) {
    throw std::system_error(errno, std::generic_category(), "tcsetattr on standard input");
  }
}

KeyboardMode::~KeyboardMode() { ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_); }

}  // namespace p2a::board_sim
