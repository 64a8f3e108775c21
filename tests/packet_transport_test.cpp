// The packet transport: framing both ways, the five-second deadline, late and
// garbled answers, and a port that fails during a receive.
#include "packet_link/packet_transport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fakes/board_rig.h"

namespace p2a::testing {
namespace {

using ::testing::ElementsAre;

class Transport : public ::testing::Test {
 protected:
  // Receives one payload; the exit code when the program ended, else -1.
  int receive(bool& received, std::string& payload) {
    return BoardRig::exitCodeOf([&] { received = rig.transport.p2a_getStr(payload); });
  }

  BoardRig rig;
};

TEST_F(Transport, SendWritesPacketAndCarriageReturnWithTraces) {
  rig.transport.p2a_sendStr("1");
  EXPECT_EQ(rig.port.wire, "5041\r");
  EXPECT_EQ(rig.console.output,
            "@p2a_sendStr: s=1\r\n"
            "@p2a_i_encodePacket: s=1\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "  cksum=53/5\r\n"
            "@p2a_i_xmitPacket: packet=5041\r\n");
}

TEST_F(Transport, ReceivesLineEndedByCrLf) {
  rig.port.arriveAfter(Milliseconds{20}, "`051T\r\n");
  bool received = false;
  std::string payload;
  EXPECT_EQ(receive(received, payload), -1);
  EXPECT_TRUE(received);
  EXPECT_EQ(payload, "1T");
  std::vector<std::string> lines = rig.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "@p2a_getStr");
  EXPECT_EQ(lines[1], "@p2a_i_recvPacket");
  EXPECT_EQ(lines[2], "  s=`051T");
  EXPECT_EQ(lines[3], "@p2a_i_decode4Packet: packet=`051T");
}

TEST_F(Transport, CarriageReturnsAnywhereInTheLineAreDropped) {
  rig.port.arriveAfter(Milliseconds{20}, "\r`0\r51T\r\r\n");
  bool received = false;
  std::string payload;
  receive(received, payload);
  EXPECT_TRUE(received);
  EXPECT_EQ(payload, "1T");
}

TEST_F(Transport, EmptyLineFailsToDecode) {
  rig.port.arriveAfter(Milliseconds{20}, "\n");
  bool received = true;
  std::string payload = "stale";
  EXPECT_EQ(receive(received, payload), -1);
  EXPECT_FALSE(received);
  EXPECT_EQ(payload, "");
  EXPECT_THAT(rig.lines(), ElementsAre("@p2a_getStr", "@p2a_i_recvPacket", "  s=",
                                       "@p2a_i_decode4Packet: packet=", "  length packet < 4",
                                       "  decodePacket returned false to getstr"));
}

TEST_F(Transport, GarbageBytesAreKeptAndTheLineFailsToDecode) {
  rig.port.arriveAfter(Milliseconds{20}, std::string("\x00\xff", 2) + "`051T\r\n");
  bool received = true;
  std::string payload;
  receive(received, payload);
  EXPECT_FALSE(received);
  EXPECT_NE(rig.console.output.find(std::string("  s=\x00\xff`051T\r\n", 12)), std::string::npos);
}

TEST_F(Transport, SilenceEndsTheProgramAfterFiveSeconds) {
  const Milliseconds start = rig.clock.now();
  bool received = false;
  std::string payload;
  EXPECT_EQ(receive(received, payload), kFailureExitCode);
  EXPECT_THAT(rig.lines(), ElementsAre("@p2a_getStr", "@p2a_i_recvPacket",
                                       "Timeout waiting for arduino response."));
  const Milliseconds waited = rig.clock.now() - start;
  EXPECT_GT(waited, Milliseconds{5000});
  EXPECT_LE(waited, Milliseconds{5000 + 150});
}

TEST_F(Transport, BytesWithoutLineEndStillMeetTheDeadline) {
  for (int i = 1; i <= 80; ++i) rig.port.arriveAfter(Milliseconds{100 * i}, "x");
  bool received = false;
  std::string payload;
  EXPECT_EQ(receive(received, payload), kFailureExitCode);
  EXPECT_EQ(rig.lines().back(), "Timeout waiting for arduino response.");
}

TEST_F(Transport, LateAnswerIsReceivedIntact) {
  // Reads that time out while waiting add nothing to the line.
  rig.port.arriveAfter(Milliseconds{3000}, "`051T\r\n");
  bool received = false;
  std::string payload;
  EXPECT_EQ(receive(received, payload), -1);
  EXPECT_TRUE(received);
  EXPECT_EQ(payload, "1T");
}

TEST_F(Transport, BurstIsCollectedWithOneIdlePause) {
  rig.port.arriveAfter(Milliseconds{20}, "`051T\r\n");
  bool received = false;
  std::string payload;
  receive(received, payload);
  EXPECT_TRUE(received);
  EXPECT_THAT(rig.clock.pauses, ElementsAre(Milliseconds{50}));
}

TEST_F(Transport, IdlePauseComesBeforeEachReadWhileNothingWaits) {
  rig.port.arriveAfter(Milliseconds{400}, "`051T\r\n");
  bool received = false;
  std::string payload;
  receive(received, payload);
  // 50 ms pause + 100 ms read timeout per empty round, then one more pause.
  EXPECT_EQ(rig.clock.pauses.size(), 3u);
  EXPECT_EQ(rig.port.waitingQueries, 3 + 6);
}

TEST_F(Transport, SecondLineStaysForTheNextReceive) {
  rig.port.arriveAfter(Milliseconds{20}, "`051T\r\nq052F\r\n");
  bool received = false;
  std::string first;
  std::string second;
  receive(received, first);
  EXPECT_TRUE(received);
  receive(received, second);
  EXPECT_TRUE(received);
  EXPECT_EQ(first, "1T");
  EXPECT_EQ(second, "2F");
}

TEST_F(Transport, VanishedDeviceFailsTheReceivePromptly) {
  rig.port.failAfter(Milliseconds{30});
  const Milliseconds start = rig.clock.now();
  bool received = true;
  std::string payload = "stale";
  EXPECT_EQ(receive(received, payload), -1);
  EXPECT_FALSE(received);
  EXPECT_EQ(payload, "");
  EXPECT_THAT(rig.lines(), ElementsAre("@p2a_getStr", "@p2a_i_recvPacket",
                                       "Serial error occurred in p2a_i_recvPacket: "
                                       "device disconnected",
                                       "  rcvpacket returned error to getstr"));
  EXPECT_LT(rig.clock.now() - start, Milliseconds{200});
}

}  // namespace
}  // namespace p2a::testing
