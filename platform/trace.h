// Trace lines: the diagnostic lines the program writes for every step. They
// are on in the program as built (DEBUG) and go to the console.
#pragma once

#include <string_view>

#include "platform/console.h"

namespace p2a {

inline constexpr bool DEBUG = true;

class Trace {
 public:
  Trace(Console& console, bool enabled) : console_(console), enabled_(enabled) {}

  void line(std::string_view text) {
    if (enabled_) writeLine(console_, text);
  }

 private:
  Console& console_;
  bool enabled_;
};

}  // namespace p2a
