// The real p2a-board-sim on a pseudo-terminal, driven through its link the
// way the monitor drives a board: answers by the timeline, reconnecting,
// refused packets, late answers, vanishing, stopping by signal and by the
// timeline's end, and bad options.
#include "simulator_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace p2a::board_sim::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool pathExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

class SimulatorProcessTest : public ::testing::Test {
 protected:
  // Starts the simulator on COM5 in the temporary folder and waits for its link.
  void start(std::vector<std::string> arguments) {
    ASSERT_FALSE(folder_.path().empty());
    arguments.insert(arguments.begin(), {"--dir", folder_.path(), "--port", "5"});
    simulator_.emplace(arguments, logPath());
    ASSERT_TRUE(waitForWorkingLink(linkPath(), 5s)) << readFile(logPath());
  }

  std::string linkPath() const { return folder_.path() + "/COM5"; }
  std::string logPath() const { return folder_.path() + "/simulator.log"; }
  std::string log() const { return readFile(logPath()); }

  TemporaryFolder folder_;
  std::optional<SimulatorProcess> simulator_;
};

TEST_F(SimulatorProcessTest, AnswersAsTheTimelineSaysAndEndsWhereItSays) {
  start({"--timeline", "0:switch 0.3:off 0.8:end"});
  MonitorSide monitor(linkPath());
  ASSERT_TRUE(monitor.isOpen());

  const Clock::time_point firstCommand = Clock::now();
  monitor.send("5041\r");
  EXPECT_EQ(monitor.readLine(2s), "`051T\r\n");
  monitor.send("6042\r");
  EXPECT_EQ(monitor.readLine(2s), "q052F\r\n");
  monitor.send("7043\r");
  EXPECT_EQ(monitor.readLine(2s), "7043\r\n");

  std::this_thread::sleep_until(firstCommand + 450ms);
  monitor.send("5041\r");
  EXPECT_EQ(monitor.readLine(2s), "r051F\r\n");
  monitor.send("1045\r");
  EXPECT_EQ(monitor.readLine(2s), "1045\r\n");

  EXPECT_EQ(simulator_->waitForExit(3s), 0);
  EXPECT_FALSE(pathExists(linkPath()));
  const std::string text = log();
  EXPECT_NE(text.find("#1 received 5041 (switch?) -> sent `051T (switch on) | LED off"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("#3 received 7043 (LED on) -> sent 7043 (LED lit) | LED on"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("timeline 0.800 s: end"), std::string::npos) << text;
}

TEST_F(SimulatorProcessTest, AMonitorThatClosesThePortCanOpenItAgain) {
  start({});
  {
    MonitorSide first(linkPath());
    ASSERT_TRUE(first.isOpen());
    first.send("0044\r");
    EXPECT_EQ(first.readLine(2s), "0044\r\n");
  }
  MonitorSide second(linkPath());
  ASSERT_TRUE(second.isOpen());
  second.send("5041\r");
  EXPECT_EQ(second.readLine(2s), "r051F\r\n");
  EXPECT_FALSE(simulator_->waitForExit(0ms)) << log();
}

#ifdef TIOCGEXCL
// A monitor that dies leaves the terminal in exclusive mode, which would lock
// out the next monitor of an ordinary user (root is let in regardless).
TEST_F(SimulatorProcessTest, ClearsTheExclusiveModeAMonitorLeavesBehind) {
  start({});
  {
    MonitorSide monitor(linkPath());
    ASSERT_TRUE(monitor.isOpen());
    ASSERT_EQ(::ioctl(monitor.descriptor(), TIOCEXCL), 0);
  }
  std::this_thread::sleep_for(500ms);
  MonitorSide next(linkPath());
  ASSERT_TRUE(next.isOpen());
  int exclusive = -1;
  ASSERT_EQ(::ioctl(next.descriptor(), TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
}
#endif

TEST_F(SimulatorProcessTest, BadPacketsGetNoAnswerAndAreLogged) {
  start({});
  MonitorSide monitor(linkPath());
  ASSERT_TRUE(monitor.isOpen());
  monitor.send("5042\r");
  EXPECT_EQ(monitor.readLine(300ms), "");
  monitor.send("=049\r");
  EXPECT_EQ(monitor.readLine(300ms), "");
  // The board still answers good commands afterwards.
  monitor.send("1045\r");
  EXPECT_EQ(monitor.readLine(2s), "1045\r\n");
  const std::string text = log();
  EXPECT_NE(text.find("#1 received 5042 -> refused (bad checksum '5', expected '6'), nothing sent"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("#2 received =049 -> refused (unknown command 9)"), std::string::npos)
      << text;
}

TEST_F(SimulatorProcessTest, FaultsHitTheNumberedAnswers) {
  start({"--wrong-echo-at", "2", "--garbage-at", "3", "--bad-checksum-at", "4", "--silent-from",
         "5"});
  MonitorSide monitor(linkPath());
  ASSERT_TRUE(monitor.isOpen());
  monitor.send("5041\r");
  EXPECT_EQ(monitor.readLine(2s), "r051F\r\n");
  monitor.send("5041\r");
  EXPECT_EQ(monitor.readLine(2s), "q052F\r\n");
  monitor.send("1045\r");
  const std::string garbage = monitor.readLine(2s);
  EXPECT_EQ(garbage.substr(0, 2), std::string("\x00\xFF", 2));
  EXPECT_EQ(garbage.substr(garbage.size() - 2), "\r\n");
  monitor.send("1045\r");
  EXPECT_EQ(monitor.readLine(2s), "0045\r\n");
  monitor.send("1045\r");
  EXPECT_EQ(monitor.readLine(300ms), "");
  EXPECT_NE(log().find("#5 received 1045 (keep-alive) -> nothing sent (fault: silent)"),
            std::string::npos)
      << log();
}

TEST_F(SimulatorProcessTest, ALateAnswerComesAfterItsDelay) {
  start({"--late", "300"});
  MonitorSide monitor(linkPath());
  ASSERT_TRUE(monitor.isOpen());
  const Clock::time_point sent = Clock::now();
  monitor.send("1045\r");
  EXPECT_EQ(monitor.readLine(3s), "1045\r\n");
  EXPECT_GE(Clock::now() - sent, 290ms);
}

TEST_F(SimulatorProcessTest, SigtermStopsAtOnceEvenWithALateAnswerPending) {
  start({"--late", "5000"});
  MonitorSide monitor(linkPath());
  ASSERT_TRUE(monitor.isOpen());
  monitor.send("5041\r");
  std::this_thread::sleep_for(100ms);
  ASSERT_EQ(::kill(simulator_->pid(), SIGTERM), 0);
  EXPECT_EQ(simulator_->waitForExit(1s), 0);
  EXPECT_FALSE(pathExists(linkPath()));
  EXPECT_NE(log().find("stopping on SIGTERM"), std::string::npos) << log();
}

TEST_F(SimulatorProcessTest, VanishesAfterTheNamedAnswerHasBeenRead) {
  start({"--vanish-after", "1"});
  MonitorSide monitor(linkPath());
  ASSERT_TRUE(monitor.isOpen());
  monitor.send("6042\r");
  // The monitor pauses before it reads; a hang-up meanwhile would throw the
  // unread answer away.
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(monitor.readLine(2s), "q052F\r\n");
  EXPECT_TRUE(monitor.waitForHangUp(3s));
  EXPECT_FALSE(pathExists(linkPath()));
  EXPECT_EQ(simulator_->waitForExit(3s), 0);
}

TEST_F(SimulatorProcessTest, ReplacesAStaleLink) {
  ASSERT_FALSE(folder_.path().empty());
  std::filesystem::create_symlink("/dev/pts/no-such-terminal", linkPath());
  start({});
  MonitorSide monitor(linkPath());
  ASSERT_TRUE(monitor.isOpen());
  monitor.send("1045\r");
  EXPECT_EQ(monitor.readLine(2s), "1045\r\n");
  EXPECT_NE(log().find("(stale link replaced)"), std::string::npos) << log();
}

TEST_F(SimulatorProcessTest, RefusesToReplaceAnythingButALink) {
  ASSERT_FALSE(folder_.path().empty());
  { std::ofstream(linkPath()) << "keep me"; }
  SimulatorProcess simulator({"--dir", folder_.path(), "--port", "5"}, logPath());
  EXPECT_EQ(simulator.waitForExit(5s), 1);
  EXPECT_EQ(readFile(linkPath()), "keep me");
  EXPECT_NE(log().find("exists and is not a link"), std::string::npos) << log();
}

TEST_F(SimulatorProcessTest, BadOptionsEndWithStatusTwoAndNoLink) {
  ASSERT_FALSE(folder_.path().empty());
  const std::vector<std::string> badOptions[] = {
      {"--timeline", "2:off 1:switch"},
      {"--port", "12"},
      {"--vanish-after", "0"},
  };
  for (const auto& options : badOptions) {
    SCOPED_TRACE(::testing::PrintToString(options));
    std::vector<std::string> arguments = {"--dir", folder_.path()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    SimulatorProcess simulator(arguments, logPath());
    EXPECT_EQ(simulator.waitForExit(5s), 2);
    EXPECT_NE(log().find("p2a-board-sim: "), std::string::npos);
    EXPECT_FALSE(pathExists(folder_.path() + "/COM5"));
  }
}

}  // namespace
}  // namespace p2a::board_sim::testing
