// The simulator's event loop: one poll() over the pseudo-terminal, the signal
// pipe and, in the interactive mode, the keyboard. It answers the monitor's
// commands as the board would, moves the inputs by the timeline or the keys,
// and applies the faults on demand. Late answers wait in a queue with their
// due times, so a signal is always seen at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "board_sim/board.h"
#include "board_sim/command_line.h"
#include "board_sim/event_log.h"
#include "board_sim/line_splitter.h"
#include "board_sim/pseudo_terminal.h"
#include "board_sim/signal_pipe.h"

namespace p2a::board_sim {

class Simulator {
 public:
  // With `interactive`, keys on standard input drive the inputs.
  Simulator(const SimulatorOptions& options, PseudoTerminal& port, SignalPipe& signals,
            EventLog& log, bool interactive);

  // Runs until a stop signal, the q key, the timeline's end or the board
  // vanishing. Throws std::system_error when the port fails.
  void run();

 private:
  using Clock = std::chrono::steady_clock;

  struct PendingAnswer {
    std::int64_t command;
    Clock::time_point due;
    std::string line;     // sent followed by CR LF
    std::string logText;  // what was received, for the log line
    std::string commandName;
    std::string meaning;  // what the answer says
    AnswerFault fault;
  };

  // When the loop must next wake up, whatever arrives.
  Clock::time_point nextDeadline(Clock::time_point now) const;
  // These three return false when the simulator is to stop.
  bool applyTimeline(Clock::time_point now);
  bool readCommands(Clock::time_point now);
  bool readKeys();
  void handleCommand(const std::string& packet, Clock::time_point now);
  void sendDueAnswers(Clock::time_point now);
  bool sendLine(const std::string& line);
  void finishExchange(std::int64_t command, const std::string& logText, const std::string& summary,
                      Clock::time_point now);
  bool vanishIsDue(Clock::time_point now) const;
  void showStatus();

  const std::optional<Timeline> timeline_;
  const FaultPlan faults_;
  PseudoTerminal& port_;
  SignalPipe& signals_;
  EventLog& log_;
  const bool interactive_;

  Board board_;
  BoardInputs inputs_;
  LineSplitter splitter_;
  std::int64_t commandCount_ = 0;
  std::optional<Clock::time_point> timelineStart_;  // the first command's arrival
  std::size_t nextTimelineEntry_ = 0;
  std::deque<PendingAnswer> pending_;
  std::optional<Clock::time_point> vanishingSince_;
  std::string lastCommand_ = "none";  // for the status line
};

}  // namespace p2a::board_sim
