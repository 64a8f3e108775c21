// Escaping bytes for the log.
#include "board_sim/printable_text.h"

namespace p2a::board_sim {

std::string printable(std::string_view bytes) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string text;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      text += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      text += c;
    } else {
      text += "\\x";
      text += kHexDigits[byte >> 4];
      text += kHexDigits[byte & 0x0F];
    }
  }
  return text;
}

}  // namespace p2a::board_sim
