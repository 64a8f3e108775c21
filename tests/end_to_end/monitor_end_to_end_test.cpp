// The real program against a board on a pseudo-terminal: exact output bytes,
// the packets on the wire, exit codes and timing. Most cases run against the
// simulated board; one scripted board checks the wire byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <fstream>
#include <sstream>

#include "tests/end_to_end/monitor_run.h"

namespace p2a::testing {
namespace {

using std::chrono::milliseconds;
using Packets = std::vector<std::string>;

const std::string kAlarmSound = "/tmp/klaxon-short.wav";
const Packets kAlarmCycle = {"5041", "6042", "7043", "1045"};

std::string expected(const std::string& name) {
  std::ifstream in(std::string(P2A_EXPECTED_DIR) + "/" + name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

Packets repeated(const Packets& cycle, int times, const Packets& tail) {
  Packets packets;
  for (int i = 0; i < times; ++i) packets.insert(packets.end(), cycle.begin(), cycle.end());
  packets.insert(packets.end(), tail.begin(), tail.end());
  return packets;
}

// The alarm sound must exist for the player to be started; a file made here
// is removed again.
class AlarmSoundFile {
 public:
  AlarmSoundFile() : made_(!std::filesystem::exists(kAlarmSound)) {
    if (made_) std::ofstream(kAlarmSound, std::ios::binary) << "RIFF";
  }
  ~AlarmSoundFile() {
    if (made_) std::filesystem::remove(kAlarmSound);
  }

 private:
  bool made_;
};

MonitorRunResult runAgainstSimulator(const std::string& stdinText, const std::vector<std::string>& board,
                                     char portDigit = '7') {
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = stdinText;
  options.portDigit = portDigit;
  options.simulatorArguments = board;
  return rig.run(options);
}

// Two alarm cycles: the LED is lit in both, the sound starts in the second.
// The ninth answer echoes the motion query instead of the switch query.
struct AlarmStoryCase {
  const char* name;
  std::vector<std::string> extraBoardOptions;
  friend void PrintTo(const AlarmStoryCase& c, std::ostream* os) { *os << c.name; }
};

class AlarmStory : public ::testing::TestWithParam<AlarmStoryCase> {};

TEST_P(AlarmStory, LightsTheLedAndSoundsOnceInTheSecondCycle) {
  AlarmSoundFile sound;
  std::vector<std::string> board = {"--timeline", "0:switch+motion", "--wrong-echo-at", "9"};
  board.insert(board.end(), GetParam().extraBoardOptions.begin(), GetParam().extraBoardOptions.end());
  MonitorRunResult result = runAgainstSimulator("7\n9600\n", board);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("alarm_cycle.out"));
  EXPECT_EQ(result.packetsReceived, repeated(kAlarmCycle, 2, {"5041"})) << result.boardLog;
  ASSERT_EQ(result.soundsPlayed.size(), 1u);
  EXPECT_EQ(result.soundsPlayed[0], kAlarmSound);
}

INSTANTIATE_TEST_SUITE_P(
    Board, AlarmStory,
    ::testing::Values(AlarmStoryCase{"Prompt", {}},
                      // Answers 400 ms late are collected intact.
                      AlarmStoryCase{"Late", {"--late", "400"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EndToEnd, AlarmCycleBytesOnTheWireAreExact) {
  AlarmSoundFile sound;
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "7\n9600\n";
  for (int cycle = 0; cycle < 2; ++cycle) {
    for (const char* line : {"`051T\r\n", "c052T\r\n", "7043\r\n", "1045\r\n"}) {
      options.steps.push_back(answer(line));
    }
  }
  options.steps.push_back(answer("c052T\r\n"));
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("alarm_cycle.out"));
  EXPECT_EQ(result.wire, "5041\r6042\r7043\r1045\r5041\r6042\r7043\r1045\r5041\r");
}

struct FailureCase {
  const char* name;
  char portDigit;
  std::string stdinText;
  std::vector<std::string> board;
  std::string expectedOutput;
  Packets packets;
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
};

class BoardFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(BoardFailure, EndsWithItsMessageAndExitCodeOne) {
  MonitorRunResult result =
      runAgainstSimulator(GetParam().stdinText, GetParam().board, GetParam().portDigit);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected(GetParam().expectedOutput));
  EXPECT_EQ(result.packetsReceived, GetParam().packets) << result.boardLog;
  EXPECT_TRUE(result.soundsPlayed.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Board, BoardFailure,
    ::testing::Values(
        // Closed input: the defaults, COM5 at 9600. Two switch-off cycles, then
        // an answer with a wrong checksum.
        FailureCase{"SwitchOffThenBadChecksum", '5', "", {"--timeline", "0:off", "--bad-checksum-at", "7"},
                    "switch_off_cycle.out", repeated({"5041", "0044", "1045"}, 2, {"5041"})},
        // Switch on, no motion; the keep-alive is answered as a switch query.
        FailureCase{"SwitchOnWithoutMotionThenWrongEcho", '7', "7\r\n+9600\r\n",
                    {"--timeline", "0:switch", "--wrong-echo-at", "4"}, "switch_on_no_motion.out",
                    {"5041", "6042", "0044", "1045"}},
        FailureCase{"Garbage", '7', "7\n9600\n", {"--garbage-at", "2"}, "garbage.out", {"5041", "0044"}},
        FailureCase{"Vanish", '7', "7\n9600\n", {"--vanish-after", "1"}, "vanish.out", {"5041"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EndToEnd, SilentBoardTimesOutAfterFiveSeconds) {
  const auto start = std::chrono::steady_clock::now();
  MonitorRunResult result = runAgainstSimulator("7\n9600\n", {"--silent-from", "1"});
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("silence.out"));
  EXPECT_GE(took, milliseconds(9000));  // 4 s start-up wait, then 5 s deadline
  EXPECT_LT(took, milliseconds(11000));
}

TEST(EndToEnd, VanishingDeviceIsReportedPromptly) {
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "7\n9600\n";
  options.steps = {answer("r051F\r\n"), vanish()};
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("vanish.out"));
  EXPECT_LT(result.vanishToExit, milliseconds(1000));
}

TEST(EndToEnd, SecondProgramOnTheSamePortIsRefused) {
  MonitorRig rig;
  rig.startSimulator('7', {"--timeline", "0:off"});
  rig.startHolder('7');
  MonitorRunOptions options;
  options.stdinText = "7\n9600\n";
  const auto start = std::chrono::steady_clock::now();
  MonitorRunResult result = rig.run(options);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("port_refused.out"));
  EXPECT_NE(result.errors.find("in use"), std::string::npos) << result.errors;
  EXPECT_LT(took, milliseconds(2000));  // no start-up wait
}

TEST(EndToEnd, MissingPortIsRefused) {
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "3\n9600\n";  // nothing is linked as COM3
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("port_refused.out"));
  EXPECT_NE(result.errors.find(rig.folder() + "/COM3"), std::string::npos) << result.errors;
}

TEST(EndToEnd, ZeroSpeedIsRefused) {
  MonitorRunResult result = runAgainstSimulator("7\n0\n", {"--timeline", "0:off"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("port_refused.out"));
  EXPECT_TRUE(result.packetsReceived.empty());
}

// Runs for a real minute and more; CTest runs it beside the other tests.
TEST(EndToEndSlow, HeldAlarmSoundsAgainOnlyAfterAMinute) {
  AlarmSoundFile sound;
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "7\n9600\n";
  options.simulatorArguments = {"--timeline", "0:switch+motion 64:end"};
  options.limit = std::chrono::seconds(100);
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);  // the board vanished at the end
  ASSERT_EQ(result.soundTimes.size(), 2u);
  const double gap = result.soundTimes[1] - result.soundTimes[0];
  EXPECT_GE(gap, 60.0);
  EXPECT_LE(gap, 60.0 + 1.5);  // the first cycle after the minute
}

}  // namespace
}  // namespace p2a::testing
