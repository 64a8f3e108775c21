// The integer test applied to the start-up answers.
//
// A text is an integer when it is: any leading blanks and tabs; at most one
// sign; an optional base prefix ($, x, X, 0x or 0X for hexadecimal, % for
// binary, & for octal); one or more digits of that base and nothing after.
// Decimal values must fit a signed 32-bit integer; other bases may use all 32
// bits, read as a two's-complement pattern (so $FFFFFFFF is -1) and then
// negated when a minus sign was given. Texts over 255 characters never pass.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace p2a {

std::optional<int32_t> parseInteger(std::string_view text);

}  // namespace p2a
