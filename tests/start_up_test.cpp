// The start-up dialogue: prompts, defaults, repeated prompts on bad input,
// what is asked of the port, and the open failure.
#include "app/start_up.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fakes/board_rig.h"

namespace p2a::testing {
namespace {

using ::testing::ElementsAre;

const std::string kPortPrompt = "Enter comm port to use (1-9)[5]: ";
const std::string kBaudPrompt = "Enter baud rate[9600]:           ";
const std::string kBaudHint =
    "\r\n"
    "Enter the Arduino's baud rate such as:\r\n"
    "1200\t2400\t4800\t9600\r\n"
    "14400\t19200\t28800\t38400\r\n"
    "56000\t57600\r\n"
    "\r\n";

class StartUp : public ::testing::Test {
 protected:
  int start(std::initializer_list<std::string> answers) {
    rig.console.input.assign(answers.begin(), answers.end());
    return BoardRig::exitCodeOf([&] { initializeComm(rig.console, rig.clock, rig.port, rig.processExit); });
  }

  BoardRig rig;
};

TEST_F(StartUp, EmptyAnswersGiveDefaultPortAndSpeed) {
  const Milliseconds begin = rig.clock.now();
  EXPECT_EQ(start({"", ""}), -1);
  EXPECT_EQ(rig.console.output,
            kPortPrompt + kBaudHint + kBaudPrompt + "Waiting for arduino to initialize...\r\n");
  EXPECT_THAT(rig.port.calls, ElementsAre("connect COM5", "configure 9600", "purge", "flush"));
  EXPECT_THAT(rig.clock.pauses, ElementsAre(Milliseconds{4000}));
  EXPECT_EQ(rig.clock.now() - begin, Milliseconds{4000});
}

TEST_F(StartUp, PromptsAreEachOneWriteWithoutLineEnd) {
  start({"7", "115200"});
  EXPECT_EQ(rig.console.writes.front(), kPortPrompt);
  EXPECT_THAT(rig.port.calls, ElementsAre("connect COM7", "configure 115200", "purge", "flush"));
}

TEST_F(StartUp, ClosedInputBehavesLikeEmptyAnswers) {
  // The console's script is empty: every read gives an empty line.
  EXPECT_EQ(start({}), -1);
  EXPECT_THAT(rig.port.calls, ElementsAre("connect COM5", "configure 9600", "purge", "flush"));
}

TEST_F(StartUp, PortPromptRepeatsUntilOneDigit) {
  start({"10", "x", " ", "-", "0", ""});
  EXPECT_EQ(rig.port.calls.front(), "connect COM0");
  EXPECT_EQ(rig.console.output.substr(0, 5 * kPortPrompt.size()),
            kPortPrompt + kPortPrompt + kPortPrompt + kPortPrompt + kPortPrompt);
  EXPECT_EQ(rig.console.linesRead, 6);
}

TEST_F(StartUp, BaudPromptRepeatsUntilAnInteger) {
  start({"3", "abc", "9600 ", "- 9600", "2147483648", "$2580"});
  EXPECT_EQ(rig.console.output, kPortPrompt + kBaudHint + kBaudPrompt + kBaudPrompt + kBaudPrompt +
                                    kBaudPrompt + kBaudPrompt +
                                    "Waiting for arduino to initialize...\r\n");
  EXPECT_THAT(rig.port.calls, ElementsAre("connect COM3", "configure 9600", "purge", "flush"));
}

TEST_F(StartUp, UnlistedSpeedIsHandedOverUnchanged) {
  start({"", "-1"});
  EXPECT_EQ(rig.port.calls[1], "configure -1");
}

TEST_F(StartUp, PortThatCannotBeOpenedEndsWithoutTheWait) {
  rig.port.connectSucceeds = false;
  EXPECT_EQ(start({"", ""}), kFailureExitCode);
  EXPECT_THAT(rig.port.calls, ElementsAre("connect COM5"));
  EXPECT_EQ(rig.console.output, kPortPrompt + kBaudHint + kBaudPrompt +
                                    "Error opening serial communications with Arduino.\r\n");
  EXPECT_THAT(rig.console.details, ElementsAre("port not found"));
  EXPECT_TRUE(rig.clock.pauses.empty());
}

TEST_F(StartUp, SpeedThePortRefusesEndsWithTheSameMessage) {
  rig.port.configureSucceeds = false;
  EXPECT_EQ(start({"", "12345"}), kFailureExitCode);
  EXPECT_THAT(rig.port.calls, ElementsAre("connect COM5", "configure 12345"));
  EXPECT_TRUE(rig.console.output.ends_with(
      kBaudPrompt + "Error opening serial communications with Arduino.\r\n"));
  EXPECT_TRUE(rig.clock.pauses.empty());
}

}  // namespace
}  // namespace p2a::testing
