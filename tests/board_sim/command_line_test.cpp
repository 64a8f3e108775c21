// The simulator's options: defaults, accepted values and the refusals with
// their messages.
#include "board_sim/command_line.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace p2a::board_sim {
namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLineTest, DefaultsToPortFiveInTheSerialDirFolder) {
  const SimulatorOptions withVariable = parseCommandLine({}, "/srv/ports");
  EXPECT_EQ(withVariable.folder, "/srv/ports");
  EXPECT_EQ(withVariable.portDigit, '5');
  EXPECT_FALSE(withVariable.timeline);
  EXPECT_FALSE(withVariable.helpWanted);
  EXPECT_EQ(withVariable.faults.describe(), "none");

  EXPECT_EQ(parseCommandLine({}, nullptr).folder, "/tmp/p2a-ports");
  EXPECT_EQ(parseCommandLine({}, "").folder, "/tmp/p2a-ports");
}

TEST(CommandLineTest, TakesEveryOption) {
  const SimulatorOptions options =
      parseCommandLine({"--dir", "/tmp/here", "--port", "0", "--timeline", "0:switch 1.5:end",
                        "--late", "250", "--silent-from", "9", "--bad-checksum-at", "2",
                        "--wrong-echo-at", "3", "--garbage-at", "4", "--vanish-after", "7"},
                       "/ignored");
  EXPECT_EQ(options.folder, "/tmp/here");
  EXPECT_EQ(options.portDigit, '0');
  ASSERT_TRUE(options.timeline);
  EXPECT_EQ(options.timeline->entries().size(), 2u);
  EXPECT_EQ(options.faults.describe(),
            "late 250 ms, silent from #9, garbage at #4, wrong echo at #3, bad checksum at #2, "
            "vanish after #7");
  EXPECT_TRUE(parseCommandLine({"--help"}, nullptr).helpWanted);
  EXPECT_TRUE(parseCommandLine({"-h"}, nullptr).helpWanted);
}

TEST(CommandLineTest, RefusesBadOptionsWithAClearMessage) {
  const struct {
    Arguments arguments;
    std::string message;
  } cases[] = {
      {{"--port"}, "--port needs a value"},
      {{"--port", "12"}, "--port needs one digit 0 to 9, not \"12\""},
      {{"--port", "x"}, "--port needs one digit 0 to 9, not \"x\""},
      {{"--dir", ""}, "--dir needs a folder name"},
      {{"--late", "-5"}, "--late needs a whole number from 0 to 600000, not \"-5\""},
      {{"--late", "600001"}, "--late needs a whole number from 0 to 600000, not \"600001\""},
      {{"--late", "1.5"}, "--late needs a whole number"},
      {{"--silent-from", "0"}, "--silent-from needs a whole number from 1 to 1000000000"},
      {{"--bad-checksum-at", ""}, "--bad-checksum-at needs a whole number"},
      {{"--wrong-echo-at", "2x"}, "--wrong-echo-at needs a whole number"},
      {{"--garbage-at", "99999999999999999999"}, "--garbage-at needs a whole number"},
      {{"--vanish-after", "1000000001"}, "--vanish-after needs a whole number"},
      {{"--timeline", "0:of"}, "timeline entry \"0:of\": unknown state"},
      {{"--garbage-at", "2", "--garbage-at", "3"}, "--garbage-at is given twice"},
      {{"--verbose"}, "unknown option --verbose"},
      {{"COM5"}, "unexpected argument \"COM5\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    try {
      parseCommandLine(c.arguments, nullptr);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace p2a::board_sim
