// Cutting the received byte stream into command lines.
#include "board_sim/line_splitter.h"

#include <gtest/gtest.h>

namespace p2a::board_sim {
namespace {

using Lines = std::vector<std::string>;

TEST(LineSplitterTest, EndsLinesAtCrOrLfAndDropsEmptyOnes) {
  LineSplitter splitter;
  EXPECT_EQ(splitter.feed("5041\r6042\r\n7043\n\r\r0044"), (Lines{"5041", "6042", "7043"}));
  // The unfinished line waits for its end.
  EXPECT_EQ(splitter.feed("\r"), (Lines{"0044"}));
}

TEST(LineSplitterTest, JoinsALineArrivingInPieces) {
  LineSplitter splitter;
  EXPECT_EQ(splitter.feed("50"), Lines{});
  EXPECT_EQ(splitter.feed("4"), Lines{});
  EXPECT_EQ(splitter.feed("1\r1"), (Lines{"5041"}));
  EXPECT_EQ(splitter.feed("045\r"), (Lines{"1045"}));
}

TEST(LineSplitterTest, CutsEndlessNoiseIntoBoundedLines) {
  LineSplitter splitter;
  const std::string noise(kLongestCommandLine * 2 + 5, 'x');
  EXPECT_EQ(splitter.feed(noise),
            (Lines{std::string(kLongestCommandLine, 'x'), std::string(kLongestCommandLine, 'x')}));
  EXPECT_EQ(splitter.feed("\r"), (Lines{"xxxxx"}));
}

}  // namespace
}  // namespace p2a::board_sim
