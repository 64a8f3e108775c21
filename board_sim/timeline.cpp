// Reading a timeline and looking up the inputs it sets.
#include "board_sim/timeline.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace p2a::board_sim {

namespace {

constexpr std::size_t kMostWholeSecondDigits = 6;
constexpr std::size_t kMostDecimals = 3;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) {
  for (char c : text) {
    if (!isDigit(c)) return false;
  }
  return true;
}

std::invalid_argument entryError(std::string_view entry, const std::string& problem) {
  return std::invalid_argument("timeline entry \"" + std::string(entry) + "\": " + problem);
}

// Seconds such as "12" or "0.25" as milliseconds; throws for anything else.
std::chrono::milliseconds parseSeconds(std::string_view entry, std::string_view text) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view decimals =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  const bool wellFormed =
      !whole.empty() && whole.size() <= kMostWholeSecondDigits && allDigits(whole) &&
      allDigits(decimals) &&
      (point == std::string_view::npos || (!decimals.empty() && decimals.size() <= kMostDecimals));
  if (!wellFormed) {
    throw entryError(entry, "time \"" + std::string(text) +
                                "\" is not seconds like 3 or 0.25 (at most 6 digits, 3 decimals)");
  }
  long long milliseconds = 0;
  for (char c : whole) milliseconds = milliseconds * 10 + (c - '0');
  for (std::size_t place = 0; place < kMostDecimals; ++place) {
    milliseconds = milliseconds * 10 + (place < decimals.size() ? decimals[place] - '0' : 0);
  }
  return std::chrono::milliseconds(milliseconds);
}

TimelineEntry parseEntry(std::string_view entry) {
  const std::size_t colon = entry.find(':');
  if (colon == std::string_view::npos) throw entryError(entry, "expected SECONDS:STATE");
  TimelineEntry parsed;
  parsed.at = parseSeconds(entry, entry.substr(0, colon));
  const std::string_view state = entry.substr(colon + 1);
  if (state == "off") {
    parsed.inputs = {false, false};
  } else if (state == "switch") {
    parsed.inputs = {true, false};
  } else if (state == "motion") {
    parsed.inputs = {false, true};
  } else if (state == "switch+motion") {
    parsed.inputs = {true, true};
  } else if (state == "end") {
    parsed.ends = true;
  } else {
    throw entryError(entry, "unknown state \"" + std::string(state) +
                                "\" (use off, switch, motion, switch+motion or end)");
  }
  return parsed;
}

// The blank-separated words of `text`.
std::vector<std::string_view> splitWords(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t start = text.find_first_not_of(" \t");
  while (start != std::string_view::npos) {
    const std::size_t end = text.find_first_of(" \t", start);
    words.push_back(text.substr(start, end - start));
    start = text.find_first_not_of(" \t", end);
  }
  return words;
}

}  // namespace

Timeline Timeline::parse(std::string_view text) {
  Timeline timeline;
  std::string_view previous;
  for (std::string_view word : splitWords(text)) {
    TimelineEntry entry = parseEntry(word);
    if (!timeline.entries_.empty()) {
      if (timeline.entries_.back().ends) throw entryError(word, "comes after the end");
      if (entry.at <= timeline.entries_.back().at) {
        throw entryError(word, "time is not after that of \"" + std::string(previous) + "\"");
      }
    }
    timeline.entries_.push_back(entry);
    previous = word;
  }
  if (timeline.entries_.empty()) throw std::invalid_argument("timeline is empty");
  return timeline;
}

BoardInputs Timeline::inputsAt(std::chrono::milliseconds elapsed) const {
  BoardInputs inputs;
  for (const TimelineEntry& entry : entries_) {
    if (entry.at > elapsed) break;
    if (!entry.ends) inputs = entry.inputs;
  }
  return inputs;
}

std::string secondsText(std::chrono::milliseconds time) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld s", static_cast<long long>(time.count() / 1000),
                static_cast<long long>(time.count() % 1000));
  return text;
}

}  // namespace p2a::board_sim
