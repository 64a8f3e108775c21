// The monitor loop: the three shapes of a cycle, the exact trace of an alarm
// cycle, and the spacing of the alarm sound.
#include "app/monitor_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fakes/board_rig.h"

namespace p2a::testing {
namespace {

using ::testing::ElementsAre;

class Monitor : public ::testing::Test {
 protected:
  // Scripts the board's answers for one cycle in the given state and runs it.
  void cycle(bool switchOn, bool motion) {
    rig.answer(switchOn ? "1T" : "1F");
    if (switchOn) rig.answer(motion ? "2T" : "2F");
    rig.answer(switchOn && motion ? "3" : "4");
    rig.answer("5");
    ASSERT_EQ(BoardRig::exitCodeOf([&] { rig.loop.runCycle(); }), -1);
  }

  // The command lines ("@name") the cycle traced, without the packet link's.
  std::vector<std::string> commandTraces() const {
    std::vector<std::string> commands;
    for (const std::string& line : rig.lines()) {
      if (line.starts_with("@") && !line.starts_with("@p2a_")) commands.push_back(line);
    }
    return commands;
  }

  BoardRig rig;
};

TEST_F(Monitor, SwitchOffNeverAsksForMotion) {
  cycle(false, true);
  EXPECT_EQ(rig.port.wire, "5041\r0044\r1045\r");
  EXPECT_THAT(commandTraces(),
              ElementsAre("@isSwitchOn", "@isSwitchOn: returns 0", "@ledOff", "@sendAliveMsg"));
  EXPECT_EQ(rig.clock.pauses.back(), Milliseconds{1000});
  EXPECT_TRUE(rig.player.paths.empty());
}

TEST_F(Monitor, SwitchOnWithoutMotionClearsTheLed) {
  cycle(true, false);
  EXPECT_EQ(rig.port.wire, "5041\r6042\r0044\r1045\r");
  EXPECT_THAT(commandTraces(),
              ElementsAre("@isSwitchOn", "@isSwitchOn: returns 1", "@isMotionDetected",
                          "@isMotionDetected: returns 0", "@ledOff", "@sendAliveMsg"));
  EXPECT_TRUE(rig.player.paths.empty());
}

TEST_F(Monitor, AlarmCycleWritesEveryTraceLineInOrder) {
  cycle(true, true);
  EXPECT_EQ(rig.port.wire, "5041\r6042\r7043\r1045\r");
  EXPECT_EQ(rig.console.output,
            "@isSwitchOn\r\n"
            "@p2a_sendStr: s=1\r\n"
            "@p2a_i_encodePacket: s=1\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "  cksum=53/5\r\n"
            "@p2a_i_xmitPacket: packet=5041\r\n"
            "@p2a_getStr\r\n"
            "@p2a_i_recvPacket\r\n"
            "  s=`051T\r\n"
            "@p2a_i_decode4Packet: packet=`051T\r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 5\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 5\r\n"
            "  cksum=96/`\r\n"
            "@isSwitchOn: returns 1\r\n"
            "@isMotionDetected\r\n"
            "@p2a_sendStr: s=2\r\n"
            "@p2a_i_encodePacket: s=2\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "  cksum=54/6\r\n"
            "@p2a_i_xmitPacket: packet=6042\r\n"
            "@p2a_getStr\r\n"
            "@p2a_i_recvPacket\r\n"
            "  s=c052T\r\n"
            "@p2a_i_decode4Packet: packet=c052T\r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 5\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 5\r\n"
            "  cksum=99/c\r\n"
            "@isMotionDetected: returns 1\r\n"
            "@ledOn\r\n"
            "@p2a_sendStr: s=3\r\n"
            "@p2a_i_encodePacket: s=3\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "  cksum=55/7\r\n"
            "@p2a_i_xmitPacket: packet=7043\r\n"
            "@p2a_getStr\r\n"
            "@p2a_i_recvPacket\r\n"
            "  s=7043\r\n"
            "@p2a_i_decode4Packet: packet=7043\r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "  cksum=55/7\r\n"
            "@playSound\r\n"
            "  initializing\r\n"
            "@sendAliveMsg\r\n"
            "@p2a_sendStr: s=5\r\n"
            "@p2a_i_encodePacket: s=5\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "  cksum=49/1\r\n"
            "@p2a_i_xmitPacket: packet=1045\r\n"
            "@p2a_getStr\r\n"
            "@p2a_i_recvPacket\r\n"
            "  s=1045\r\n"
            "@p2a_i_decode4Packet: packet=1045\r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "  cksum=49/1\r\n");
  EXPECT_TRUE(rig.player.paths.empty());
}

TEST_F(Monitor, AlarmSoundsInTheSecondAlarmCycle) {
  cycle(true, true);
  cycle(true, true);
  EXPECT_THAT(rig.player.paths, ElementsAre("c:/tmp/klaxon-short.wav"));
  std::vector<std::string> lines = rig.lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "  initializing"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "  ok to play the sound"), 1);
}

TEST_F(Monitor, HeldAlarmSoundsOncePerMinute) {
  const Milliseconds start = rig.clock.now();
  Milliseconds cycleLength{0};
  while (rig.clock.now() - start < std::chrono::minutes(3)) {
    const Milliseconds cycleStart = rig.clock.now();
    cycle(true, true);
    cycleLength = std::max(cycleLength, rig.clock.now() - cycleStart);
  }
  const std::vector<Milliseconds>& times = rig.player.times;
  ASSERT_EQ(times.size(), 3u);
  EXPECT_LT(times[0] - start, 2 * cycleLength);
  for (std::size_t i = 1; i < times.size(); ++i) {
    EXPECT_GT(times[i] - times[i - 1], std::chrono::minutes(1));
    EXPECT_LE(times[i] - times[i - 1], std::chrono::minutes(1) + cycleLength);
  }
}

TEST_F(Monitor, AlarmReturningWithinTheMinuteStaysSilent) {
  cycle(true, true);
  cycle(true, true);
  ASSERT_EQ(rig.player.times.size(), 1u);
  const Milliseconds firstSound = rig.player.times[0];
  while (rig.clock.now() - firstSound < std::chrono::seconds(30)) cycle(false, false);
  while (rig.clock.now() - firstSound < std::chrono::seconds(59)) cycle(true, true);
  EXPECT_EQ(rig.player.times.size(), 1u);
  while (rig.player.times.size() < 2) cycle(true, true);
  EXPECT_GT(rig.player.times[1] - firstSound, std::chrono::minutes(1));
}

TEST_F(Monitor, RunEndsOnlyWhenACommandFails) {
  cycle(false, false);
  rig.answer("1F");
  rig.answer("4");
  rig.answer("4");  // wrong echo to the keep-alive
  EXPECT_EQ(BoardRig::exitCodeOf([&] { rig.loop.run(); }), kFailureExitCode);
  EXPECT_EQ(rig.lines().back(), "sendAliveMsg received bad response");
  EXPECT_EQ(rig.port.wire, "5041\r0044\r1045\r5041\r0044\r1045\r");
}

}  // namespace
}  // namespace p2a::testing
