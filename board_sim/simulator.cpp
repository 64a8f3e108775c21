// The event loop behind Simulator.
#include "board_sim/simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

#include "board_sim/printable_text.h"

namespace p2a::board_sim {

namespace {

using std::chrono::milliseconds;

// Before vanishing the board waits until the monitor has read the last answer
// (a hang-up throws away what is unread), looking this often, at most this long.
constexpr milliseconds kVanishCheckInterval{10};
constexpr milliseconds kLongestVanishWait{2000};

// A monitor puts the terminal in exclusive mode, and when it ends without
// clearing it (killed, or leaving through exit()) the mode stays, since the
// slave side the simulator holds keeps the terminal alive: the next monitor
// would be refused. So the mode is cleared on every turn of the loop, which
// turns at least this often. While a monitor is attached its own lock on the
// device (flock) still keeps a second one out.
constexpr milliseconds kExclusiveModeClearInterval{200};

constexpr std::size_t kReadChunk = 256;

int pollTimeoutMs(std::chrono::steady_clock::time_point deadline,
                  std::chrono::steady_clock::time_point now) {
  if (deadline <= now) return 0;
  return static_cast<int>(std::chrono::ceil<milliseconds>(deadline - now).count());
}

[[noreturn]] void throwLastError(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

Simulator::Simulator(const SimulatorOptions& options, PseudoTerminal& port, SignalPipe& signals,
                     EventLog& log, bool interactive)
    : timeline_(options.timeline),
      faults_(options.faults),
      port_(port),
      signals_(signals),
      log_(log),
      interactive_(interactive),
      inputs_(timeline_ ? timeline_->inputsAt(milliseconds(0)) : BoardInputs{}) {}

void Simulator::run() {
  showStatus();
  while (true) {
    std::vector<pollfd> watched;
    watched.push_back({signals_.readEnd(), POLLIN, 0});
    const std::size_t portIndex = watched.size();
    if (!vanishingSince_) watched.push_back({port_.master(), POLLIN, 0});
    const std::size_t keyboardIndex = watched.size();
    if (interactive_) watched.push_back({STDIN_FILENO, POLLIN, 0});

    const Clock::time_point beforePoll = Clock::now();
    const int ready =
        ::poll(watched.data(), watched.size(), pollTimeoutMs(nextDeadline(beforePoll), beforePoll));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) throwLastError("poll");
    port_.clearExclusiveMode();

    if (const std::optional<int> caught = signals_.takeSignal()) {
      log_.line("stopping on " + signalName(*caught));
      return;
    }
    const Clock::time_point now = Clock::now();
    if (!applyTimeline(now)) return;
    if (!vanishingSince_ && watched[portIndex].revents != 0 && !readCommands(now)) return;
    if (interactive_ && watched[keyboardIndex].revents != 0 && !readKeys()) return;
    sendDueAnswers(now);
    if (vanishIsDue(Clock::now())) {
      log_.line("vanishing: link removed, port closed");
      port_.close();
      return;
    }
  }
}

Simulator::Clock::time_point Simulator::nextDeadline(Clock::time_point now) const {
  if (vanishingSince_) return now + kVanishCheckInterval;
  Clock::time_point deadline = now + kExclusiveModeClearInterval;
  if (!pending_.empty()) deadline = std::min(deadline, pending_.front().due);
  if (timeline_ && timelineStart_ && nextTimelineEntry_ < timeline_->entries().size()) {
    deadline = std::min(deadline, *timelineStart_ + timeline_->entries()[nextTimelineEntry_].at);
  }
  return deadline;
}

bool Simulator::applyTimeline(Clock::time_point now) {
  if (!timeline_ || !timelineStart_) return true;
  const auto& entries = timeline_->entries();
  while (nextTimelineEntry_ < entries.size() &&
         *timelineStart_ + entries[nextTimelineEntry_].at <= now) {
    const TimelineEntry& entry = entries[nextTimelineEntry_++];
    if (entry.ends) {
      log_.line("timeline " + secondsText(entry.at) + ": end");
      return false;
    }
    inputs_ = entry.inputs;
    log_.line("timeline " + secondsText(entry.at) + ": " + describeInputs(inputs_));
  }
  return true;
}

bool Simulator::readCommands(Clock::time_point now) {
  char bytes[kReadChunk];
  const ssize_t count = ::read(port_.master(), bytes, sizeof bytes);
  if (count < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  if (count < 0) throwLastError("reading " + port_.slavePath());
  for (const std::string& packet : splitter_.feed({bytes, static_cast<std::size_t>(count)})) {
    if (!timelineStart_) {
      // The timeline's clock starts with the first command.
      timelineStart_ = now;
      if (!applyTimeline(now)) return false;
    }
    handleCommand(packet, now);
  }
  return true;
}

void Simulator::handleCommand(const std::string& packet, Clock::time_point now) {
  const std::int64_t command = ++commandCount_;
  const BoardReply reply = board_.handle(packet, inputs_);
  std::string logText = "#" + std::to_string(command) + " received " + printable(packet);
  if (!reply.answered) {
    finishExchange(command, logText + " -> refused (" + reply.refusal + "), nothing sent",
                   "refused", now);
    return;
  }
  logText += " (" + reply.commandName + ")";
  const AnswerFault fault = faults_.faultFor(command);
  if (fault == AnswerFault::Silent) {
    finishExchange(command, logText + " -> nothing sent (fault: silent)",
                   reply.commandName + " -> silent", now);
    return;
  }
  pending_.push_back({command, now + faults_.late, answerLine(reply.answerPayload, fault), logText,
                      reply.commandName, reply.answerMeaning, fault});
}

bool Simulator::readKeys() {
  char keys[kReadChunk];
  const ssize_t count = ::read(STDIN_FILENO, keys, sizeof keys);
  if (count < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  if (count <= 0) {
    log_.line("keyboard closed; stopping");
    return false;
  }
  for (ssize_t index = 0; index < count; ++index) {
    switch (keys[index]) {
      case 's':
      case 'S':
        inputs_.switchOn = !inputs_.switchOn;
        log_.line("key s: " + describeInputs(inputs_));
        break;
      case 'm':
      case 'M':
        inputs_.motion = !inputs_.motion;
        log_.line("key m: " + describeInputs(inputs_));
        break;
      case 'q':
      case 'Q': log_.line("key q: quitting"); return false;
      default: break;
    }
  }
  showStatus();
  return true;
}

void Simulator::sendDueAnswers(Clock::time_point now) {
  while (!vanishingSince_ && !pending_.empty() && pending_.front().due <= now) {
    const PendingAnswer answer = std::move(pending_.front());
    pending_.pop_front();
    std::string logText =
        answer.logText + " -> sent " + printable(answer.line) + " (" + answer.meaning;
    if (answer.fault != AnswerFault::None) logText += "; fault: " + describeFault(answer.fault);
    logText += ")";
    if (faults_.late.count() > 0) {
      logText += ", " + std::to_string(faults_.late.count()) + " ms late";
    }
    if (!sendLine(answer.line)) logText += " -- not sent: the other side is not reading";
    finishExchange(answer.command, logText, answer.commandName + " -> " + answer.meaning, now);
  }
}

bool Simulator::sendLine(const std::string& line) {
  const std::string bytes = line + "\r\n";
  ssize_t count = 0;
  do {
    count = ::write(port_.master(), bytes.data(), bytes.size());
  } while (count < 0 && errno == EINTR);
  if (count < 0 && errno != EAGAIN) throwLastError("writing " + port_.slavePath());
  return count == static_cast<ssize_t>(bytes.size());
}

void Simulator::finishExchange(std::int64_t command, const std::string& logText,
                               const std::string& summary, Clock::time_point now) {
  log_.line(logText + " | LED " + (board_.ledOn() ? "on" : "off"));
  lastCommand_ = "#" + std::to_string(command) + " " + summary;
  showStatus();
  if (faults_.vanishesAfter(command)) vanishingSince_ = now;
}

bool Simulator::vanishIsDue(Clock::time_point now) const {
  if (!vanishingSince_) return false;
  const Clock::duration waited = now - *vanishingSince_;
  return waited >= kLongestVanishWait ||
         (waited >= kVanishCheckInterval && port_.unreadByOtherSide() == 0);
}

void Simulator::showStatus() {
  if (!interactive_) return;
  log_.status(describeInputs(inputs_) + ", LED " + (board_.ledOn() ? "on" : "off") +
              " | last: " + lastCommand_ + " | keys: s m q");
}

}  // namespace p2a::board_sim
