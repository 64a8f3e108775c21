// The real program against a scripted board on a pseudo-terminal: exact
// output bytes, exact bytes on the wire, exit codes and timing of failures.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/end_to_end/monitor_run.h"

namespace p2a::testing {
namespace {

using std::chrono::milliseconds;

const std::string kAlarmSound = "/tmp/klaxon-short.wav";

std::string expected(const std::string& name) {
  std::ifstream in(std::string(P2A_EXPECTED_DIR) + "/" + name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
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

TEST(EndToEnd, AlarmCycleLightsTheLedAndSoundsOnceInTheSecondCycle) {
  AlarmSoundFile sound;
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "7\n9600\n";
  for (int cycle = 0; cycle < 2; ++cycle) {
    for (const char* line : {"`051T\r\n", "c052T\r\n", "7043\r\n", "1045\r\n"}) {
      options.steps.push_back(answer(line));
    }
  }
  options.steps.push_back(answer("c052T\r\n"));  // wrong echo to the switch query
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("alarm_cycle.out"));
  EXPECT_EQ(result.wire, "5041\r6042\r7043\r1045\r5041\r6042\r7043\r1045\r5041\r");
  ASSERT_EQ(result.soundsPlayed.size(), 1u);
  EXPECT_EQ(result.soundsPlayed[0], kAlarmSound);
}

TEST(EndToEnd, SwitchOffCycleThenAGarbledAnswer) {
  MonitorRig rig;
  MonitorRunOptions options;
  options.portDigit = '5';  // empty answers and closed input: COM5 at 9600
  for (const char* line : {"r051F\r\n", "0044\r\n", "1045\r\n"}) options.steps.push_back(answer(line));
  options.steps.push_back(answer("a051T\r\n"));  // checksum does not match
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("switch_off_cycle.out"));
  EXPECT_EQ(result.wire, "5041\r0044\r1045\r5041\r");
  EXPECT_TRUE(result.soundsPlayed.empty());
}

TEST(EndToEnd, WrongEchoToTheKeepAliveEndsTheProgram) {
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "7\r\n+9600\r\n";
  for (const char* line : {"`051T\r\n", "q052F\r\n", "0044\r\n", "0044\r\n"}) {
    options.steps.push_back(answer(line));
  }
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("bad_answer.out"));
  EXPECT_EQ(result.wire, "5041\r6042\r0044\r1045\r");
}

TEST(EndToEnd, SilentBoardTimesOutAfterFiveSeconds) {
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "7\n9600\n";
  const auto start = std::chrono::steady_clock::now();
  MonitorRunResult result = rig.run(options);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("silence.out"));
  EXPECT_EQ(result.wire, "5041\r");
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
  int holder = rig.startHolder("7\n9600\n");
  MonitorRunOptions options;
  options.stdinText = "7\n9600\n";
  const auto start = std::chrono::steady_clock::now();
  MonitorRunResult result = rig.run(options);
  const auto took = std::chrono::steady_clock::now() - start;
  ::kill(holder, SIGTERM);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("port_refused.out"));
  EXPECT_NE(result.errors.find("in use"), std::string::npos) << result.errors;
  EXPECT_LT(took, milliseconds(2000));  // no start-up wait
}

TEST(EndToEnd, MissingPortIsRefused) {
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "3\n9600\n";  // nothing is linked as COM3
  options.portDigit = '7';
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("port_refused.out"));
  EXPECT_NE(result.errors.find(rig.folder() + "/COM3"), std::string::npos) << result.errors;
}

TEST(EndToEnd, ZeroSpeedIsRefused) {
  MonitorRig rig;
  MonitorRunOptions options;
  options.stdinText = "7\n0\n";
  MonitorRunResult result = rig.run(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, expected("port_refused.out"));
}

}  // namespace
}  // namespace p2a::testing
