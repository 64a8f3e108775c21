// The simulator's log on standard error: one line per event, stamped with the
// seconds since the simulator started, as in
//
//   [  12.345] #7 received 5041 (switch?) -> sent `051T (switch on) | LED off
//
// In the interactive mode a status line sits below the log and is redrawn in
// place after every line.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace p2a::board_sim {

class EventLog {
 public:
  explicit EventLog(bool withStatusLine);
  // Ends the status line, so that the shell's prompt starts on a line of its own.
  ~EventLog();

  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  void line(std::string_view text);

  // Replaces the status line; ignored without one.
  void status(std::string_view text);

 private:
  void write(const std::string& text);

  std::chrono::steady_clock::time_point start_;
  bool withStatusLine_;
  std::string status_;
};

}  // namespace p2a::board_sim
