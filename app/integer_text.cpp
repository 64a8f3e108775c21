// Converting start-up answers to integers.
#include "app/integer_text.h"

namespace p2a {

namespace {

constexpr std::size_t kLongestText = 255;

// The value of `c` as a digit of `base`, or -1.
int digitValue(char c, uint32_t base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  return value >= 0 && static_cast<uint32_t>(value) < base ? value : -1;
}

// Reads a base prefix at `pos`, moving past it; ten when there is none.
uint32_t readBase(std::string_view text, std::size_t& pos) {
  std::string_view rest = text.substr(pos);
  if (rest.starts_with("0x") || rest.starts_with("0X")) {
    pos += 2;
    return 16;
  }
  if (rest.empty()) return 10;
  switch (rest[0]) {
    case '$':
    case 'x':
    case 'X':
      ++pos;
      return 16;
    case '%':
      ++pos;
      return 2;
    case '&':
      ++pos;
      return 8;
    default:
      return 10;
  }
}

}  // namespace

std::optional<int32_t> parseInteger(std::string_view text) {
  if (text.size() > kLongestText) return std::nullopt;

  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;

  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }

  const uint32_t base = readBase(text, pos);
  const uint64_t limit = base == 10 ? (negative ? 0x80000000u : 0x7FFFFFFFu) : 0xFFFFFFFFu;

  if (pos == text.size()) return std::nullopt;
  uint64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    int digit = digitValue(text[pos], base);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * base + static_cast<uint64_t>(digit);
    if (magnitude > limit) return std::nullopt;
  }

  uint32_t pattern = static_cast<uint32_t>(magnitude);
  if (negative) pattern = 0u - pattern;
  return static_cast<int32_t>(pattern);
}

}  // namespace p2a
