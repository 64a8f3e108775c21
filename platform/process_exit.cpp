// Ending the process: the failure path shared by every part of the program,
// and the real process exit.
#include "platform/process_exit.h"

#include <cstdlib>

#include "platform/console.h"

namespace p2a {

void endWithFailure(Console& console, ProcessExit& processExit, std::string_view message) {
  writeLine(console, message);
  processExit.endProgram(kFailureExitCode);
  std::abort();  // not reached: endProgram does not return
}

namespace {

class SystemProcessExit : public ProcessExit {
 public:
  // Console writes are handed to the operating system as they happen, so
  // nothing is waiting in a buffer here.
  [[noreturn]] void endProgram(int exitCode) override { std::exit(exitCode); }
};

}  // namespace

std::unique_ptr<ProcessExit> createSystemProcessExit() {
  return std::make_unique<SystemProcessExit>();
}

}  // namespace p2a
