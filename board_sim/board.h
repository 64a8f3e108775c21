// The board itself: its two inputs (switch and motion sensor), its LED, and
// the answer it gives to each command packet the monitor sends.
//
//   command  meaning     answer payload
//   1        switch?     1T when the switch is on, 1F when off
//   2        motion?     2T when motion is seen, 2F when not
//   3        LED on      3   (and the LED is lit)
//   4        LED off     4   (and the LED is cleared)
//   5        keep-alive  5
//
// A packet that fails the checks, or carries anything but one of these
// command characters, gets no answer.
#pragma once

#include <string>
#include <string_view>

namespace p2a::board_sim {

struct BoardInputs {
  bool switchOn = false;
  bool motion = false;

  bool operator==(const BoardInputs&) const = default;
};

// "switch on, motion off" and the like.
std::string describeInputs(BoardInputs inputs);

struct BoardReply {
  bool answered = false;      // false: the packet is refused, nothing is sent
  std::string commandName;    // "switch?", "LED on", ... (when answered)
  std::string answerPayload;  // "1T", "3", ... (when answered)
  std::string answerMeaning;  // "switch on", "LED lit", ... (when answered)
  std::string refusal;        // why nothing is sent (when not answered)
};

class Board {
 public:
  // The reply to one received command packet (without its line end), given
  // the inputs at this moment. LED commands change the LED state.
  BoardReply handle(std::string_view packet, BoardInputs inputs);

  bool ledOn() const { return ledOn_; }

 private:
  bool ledOn_ = false;
};

}  // namespace p2a::board_sim
