// The board commands: what each sends, which answers it accepts, and the
// message each failure ends the program with.
#include "commands/board_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include <functional>

#include "tests/fakes/board_rig.h"

namespace p2a::testing {
namespace {

using ::testing::ElementsAre;

struct QueryCase {
  const char* name;
  std::string answer;
  bool result;
  friend void PrintTo(const QueryCase& c, std::ostream* os) { *os << '"' << c.name << '"'; }
};

class SwitchQuery : public ::testing::TestWithParam<QueryCase> {};

TEST_P(SwitchQuery, ReadsTheTruthValueFromTheSecondCharacter) {
  BoardRig rig;
  rig.answer(GetParam().answer);
  bool result = !GetParam().result;
  EXPECT_EQ(BoardRig::exitCodeOf([&] { result = rig.board.isSwitchOn(); }), -1);
  EXPECT_EQ(result, GetParam().result);
  EXPECT_EQ(rig.port.wire, "5041\r");
  EXPECT_EQ(rig.lines().front(), "@isSwitchOn");
  EXPECT_EQ(rig.lines().back(), std::string("@isSwitchOn: returns ") + (GetParam().result ? "1" : "0"));
}

INSTANTIATE_TEST_SUITE_P(Answers, SwitchQuery,
                         ::testing::Values(QueryCase{"UpperT", "1T", true},
                                           QueryCase{"LowerT", "1t", true},
                                           QueryCase{"ExtraCharactersIgnored", "1Txyz", true},
                                           QueryCase{"F", "1F", false},
                                           QueryCase{"OtherLetter", "1X", false},
                                           QueryCase{"NoTruthValue", "1", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MotionQuery, SendsTwoAndTracesItsResult) {
  BoardRig rig;
  rig.answer("2T");
  EXPECT_TRUE(rig.board.isMotionDetected());
  EXPECT_EQ(rig.port.wire, "6042\r");
  EXPECT_EQ(rig.lines().front(), "@isMotionDetected");
  EXPECT_EQ(rig.lines().back(), "@isMotionDetected: returns 1");
}

struct ActionCase {
  const char* name;
  std::function<void(BoardCommands&)> call;
  std::string entryTrace;
  std::string wire;
  std::string echo;
  friend void PrintTo(const ActionCase& c, std::ostream* os) { *os << '"' << c.name << '"'; }
};

class Action : public ::testing::TestWithParam<ActionCase> {};

TEST_P(Action, AcceptsItsEchoWithOrWithoutMore) {
  for (const std::string& answer : {GetParam().echo, GetParam().echo + "junk"}) {
    BoardRig rig;
    rig.answer(answer);
    EXPECT_EQ(BoardRig::exitCodeOf([&] { GetParam().call(rig.board); }), -1) << answer;
    EXPECT_EQ(rig.port.wire, GetParam().wire);
    EXPECT_EQ(rig.lines().front(), GetParam().entryTrace);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Action,
    ::testing::Values(ActionCase{"LedOn", [](BoardCommands& b) { b.ledOn(); }, "@ledOn", "7043\r", "3"},
                      ActionCase{"LedOff", [](BoardCommands& b) { b.ledOff(); }, "@ledOff", "0044\r", "4"},
                      ActionCase{"Alive", [](BoardCommands& b) { b.sendAliveMsg(); }, "@sendAliveMsg",
                                 "1045\r", "5"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  std::function<void(BoardCommands&)> call;
  std::string answerLine;  // exactly what the board sends
  std::string message;
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << '"' << c.name << '"'; }
};

class CommandFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CommandFailure, EndsTheProgramWithItsMessage) {
  BoardRig rig;
  rig.port.replyToNextSend(GetParam().answerLine);
  EXPECT_EQ(BoardRig::exitCodeOf([&] { GetParam().call(rig.board); }), kFailureExitCode);
  EXPECT_EQ(rig.lines().back(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CommandFailure,
    ::testing::Values(
        FailureCase{"SwitchGetsMotionEcho", [](BoardCommands& b) { b.isSwitchOn(); }, answerLine("2T"),
                    "isSwitchOn received bad response"},
        FailureCase{"MotionGetsSwitchEcho", [](BoardCommands& b) { b.isMotionDetected(); },
                    answerLine("1T"), "isMotionDetected received bad response"},
        FailureCase{"LedOnGetsLedOffEcho", [](BoardCommands& b) { b.ledOn(); }, answerLine("4"),
                    "ledOn received bad response"},
        FailureCase{"LedOffGetsAliveEcho", [](BoardCommands& b) { b.ledOff(); }, answerLine("5"),
                    "ledOff received bad response"},
        FailureCase{"AliveGetsLedOffEcho", [](BoardCommands& b) { b.sendAliveMsg(); }, answerLine("4"),
                    "sendAliveMsg received bad response"},
        // Length field 03: the payload is empty (the fourth character lies
        // outside the packet), so there is no echo at all.
        FailureCase{"EmptyPayload", [](BoardCommands& b) { b.sendAliveMsg(); }, "#035\r\n",
                    "sendAliveMsg received bad response"},
        FailureCase{"BadChecksum", [](BoardCommands& b) { b.isSwitchOn(); }, "a051T\r\n",
                    "p2a_getStr returned false"},
        FailureCase{"BlankLine", [](BoardCommands& b) { b.ledOn(); }, "\r\n",
                    "p2a_getStr returned false"},
        FailureCase{"NoAnswer", [](BoardCommands& b) { b.ledOff(); }, "",
                    "Timeout waiting for arduino response."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandFailure, VanishedDeviceEndsWithUnreadableAnswer) {
  BoardRig rig;
  rig.port.failAfter(Milliseconds{10});
  EXPECT_EQ(BoardRig::exitCodeOf([&] { rig.board.isSwitchOn(); }), kFailureExitCode);
  std::vector<std::string> lines = rig.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(lines.end() - 3, lines.end()),
              ElementsAre("Serial error occurred in p2a_i_recvPacket: device disconnected",
                          "  rcvpacket returned error to getstr", "p2a_getStr returned false"));
  EXPECT_EQ(lines.front(), "@isSwitchOn");
}

TEST(CommandFailure, MessagesAreWrittenWithTracesOff) {
  RecordingConsole console;
  FakeClock clock;
  ScriptedSerialPort port(clock);
  FakeProcessExit processExit;
  Trace off(console, false);
  PacketTransport transport(port, clock, console, off, processExit);
  BoardCommands board(transport, console, off, processExit);
  port.replyToNextSend(answerLine("2T"));
  EXPECT_EQ(BoardRig::exitCodeOf([&] { board.isSwitchOn(); }), kFailureExitCode);
  EXPECT_EQ(console.output, "isSwitchOn received bad response\r\n");
}

}  // namespace
}  // namespace p2a::testing
