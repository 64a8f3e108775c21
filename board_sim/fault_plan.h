// Faults on demand: which misbehaviour the board shows for which command, and
// what it then sends. Commands are numbered from 1 in the order received.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace p2a::board_sim {

enum class AnswerFault {
  None,
  Silent,       // nothing is sent
  Garbage,      // a line of junk bytes instead of the packet
  WrongEcho,    // the answer of the next command character ('5' wraps to '1')
  BadChecksum,  // the right packet with a wrong checksum character
};

// "bad checksum" and the like; empty for None.
std::string describeFault(AnswerFault fault);

struct FaultPlan {
  std::chrono::milliseconds late{0};  // every answer is held back this long
  std::optional<std::int64_t> silentFrom;
  std::optional<std::int64_t> garbageAt;
  std::optional<std::int64_t> wrongEchoAt;
  std::optional<std::int64_t> badChecksumAt;
  std::optional<std::int64_t> vanishAfter;

  // The fault for the command numbered `command`. When several name the same
  // command, the first of silent, garbage, wrong echo, bad checksum wins.
  AnswerFault faultFor(std::int64_t command) const;

  // True when the board vanishes once the command numbered `command` is dealt with.
  bool vanishesAfter(std::int64_t command) const { return vanishAfter == command; }

  // "late 300 ms, garbage at #2" and the like; "none" when there are no faults.
  std::string describe() const;
};

// The line sent (without its CR LF) for the answer payload `payload` with
// `fault` applied; empty for Silent.
std::string answerLine(std::string_view payload, AnswerFault fault);

}  // namespace p2a::board_sim
