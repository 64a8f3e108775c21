// Ending the process with an exit code, and the program's exit codes.
#pragma once

#include <memory>
#include <string_view>

namespace p2a {

class Console;

inline constexpr int kFailureExitCode = 1;
inline constexpr int kUnhandledFaultExitCode = 217;

class ProcessExit {
 public:
  virtual ~ProcessExit() = default;
  [[noreturn]] virtual void endProgram(int exitCode) = 0;
};

// Writes the failure message as one line and ends the program with
// kFailureExitCode.
[[noreturn]] void endWithFailure(Console& console, ProcessExit& processExit,
                                 std::string_view message);

std::unique_ptr<ProcessExit> createSystemProcessExit();

}  // namespace p2a
