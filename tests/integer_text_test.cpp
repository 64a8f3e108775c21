// The integer test of the start-up answers, as a table of texts.
#include "app/integer_text.h"

#include <gtest/gtest.h>

#include <ostream>

#include <optional>
#include <string>

namespace p2a {
namespace {

struct IntegerCase {
  std::string text;
  std::optional<int32_t> value;
  friend void PrintTo(const IntegerCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class IntegerText : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerText, ConvertsOrRefuses) {
  EXPECT_EQ(parseInteger(GetParam().text), GetParam().value) << "text: [" << GetParam().text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, IntegerText,
    ::testing::Values(IntegerCase{"9600", 9600}, IntegerCase{" 9600", 9600},
                      IntegerCase{"\t \t9600", 9600}, IntegerCase{"+9600", 9600},
                      IntegerCase{"-9600", -9600}, IntegerCase{"0009600", 9600},
                      IntegerCase{"0", 0}, IntegerCase{"5", 5},
                      IntegerCase{"$2580", 9600}, IntegerCase{"x2580", 9600},
                      IntegerCase{"X2580", 9600}, IntegerCase{"0x2580", 9600},
                      IntegerCase{"0X2580", 9600}, IntegerCase{"$abCD", 0xABCD},
                      IntegerCase{"%10010110000000", 9600}, IntegerCase{"&22600", 9600},
                      IntegerCase{"2147483647", 2147483647},
                      IntegerCase{"-2147483648", -2147483647 - 1},
                      IntegerCase{"$FFFFFFFF", -1}, IntegerCase{"-$FFFFFFFF", 1},
                      IntegerCase{"$80000000", -2147483647 - 1},
                      IntegerCase{"$000000000000001", 1}, IntegerCase{"-$1", -1},
                      IntegerCase{std::string(255, '0'), 0}));

INSTANTIATE_TEST_SUITE_P(
    Refused, IntegerText,
    ::testing::Values(IntegerCase{"", std::nullopt}, IntegerCase{"9600 ", std::nullopt},
                      IntegerCase{"- 9600", std::nullopt}, IntegerCase{"+-9600", std::nullopt},
                      IntegerCase{"--1", std::nullopt}, IntegerCase{"2147483648", std::nullopt},
                      IntegerCase{"-2147483649", std::nullopt}, IntegerCase{"$100000000", std::nullopt},
                      IntegerCase{"abc", std::nullopt}, IntegerCase{"x", std::nullopt},
                      IntegerCase{"$", std::nullopt}, IntegerCase{"0x", std::nullopt},
                      IntegerCase{"-", std::nullopt}, IntegerCase{" ", std::nullopt},
                      IntegerCase{"96.00", std::nullopt}, IntegerCase{"%102", std::nullopt},
                      IntegerCase{"&8", std::nullopt}, IntegerCase{"12a", std::nullopt},
                      IntegerCase{"\n5", std::nullopt}, IntegerCase{"0x-1", std::nullopt},
                      IntegerCase{"99999999999999999999", std::nullopt},
                      IntegerCase{std::string(256, '0'), std::nullopt}));

}  // namespace
}  // namespace p2a
