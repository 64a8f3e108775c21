// Ending the program in a test: throws, so the test can see the exit code and
// everything written before it.
#pragma once

#include "platform/process_exit.h"

namespace p2a::testing {

struct ProgramEnded {
  int exitCode;
};

class FakeProcessExit : public ProcessExit {
 public:
  [[noreturn]] void endProgram(int exitCode) override { throw ProgramEnded{exitCode}; }
};

}  // namespace p2a::testing
