// Which command each fault hits, and what the board sends when it does.
#include "board_sim/fault_plan.h"

#include <gtest/gtest.h>

#include "board_sim/packet_codec.h"

namespace p2a::board_sim {
namespace {

TEST(FaultPlanTest, HitsExactlyTheNumberedCommands) {
  FaultPlan plan;
  plan.garbageAt = 2;
  plan.wrongEchoAt = 3;
  plan.badChecksumAt = 4;
  plan.silentFrom = 6;
  plan.vanishAfter = 5;
  const AnswerFault expected[] = {
      AnswerFault::None, AnswerFault::Garbage, AnswerFault::WrongEcho, AnswerFault::BadChecksum,
      AnswerFault::None, AnswerFault::Silent,  AnswerFault::Silent,
  };
  for (std::int64_t command = 1; command <= 7; ++command) {
    EXPECT_EQ(plan.faultFor(command), expected[command - 1]) << "command " << command;
    EXPECT_EQ(plan.vanishesAfter(command), command == 5) << "command " << command;
  }
  EXPECT_EQ(plan.faultFor(1'000'000), AnswerFault::Silent);
}

TEST(FaultPlanTest, WithoutFaultsEveryCommandIsAnsweredAndNothingVanishes) {
  const FaultPlan plan;
  for (std::int64_t command : {1, 2, 1000}) {
    EXPECT_EQ(plan.faultFor(command), AnswerFault::None);
    EXPECT_FALSE(plan.vanishesAfter(command));
  }
  EXPECT_EQ(plan.describe(), "none");
}

TEST(FaultPlanTest, SilenceThenGarbageThenWrongEchoThenBadChecksumWinOnTheSameCommand) {
  FaultPlan plan;
  plan.badChecksumAt = 3;
  EXPECT_EQ(plan.faultFor(3), AnswerFault::BadChecksum);
  plan.wrongEchoAt = 3;
  EXPECT_EQ(plan.faultFor(3), AnswerFault::WrongEcho);
  plan.garbageAt = 3;
  EXPECT_EQ(plan.faultFor(3), AnswerFault::Garbage);
  plan.silentFrom = 3;
  EXPECT_EQ(plan.faultFor(3), AnswerFault::Silent);
}

TEST(FaultPlanTest, BadChecksumKeepsThePacketButBreaksItsCheck) {
  for (const char* payload : {"1T", "1F", "2T", "2F", "3", "4", "5"}) {
    SCOPED_TRACE(payload);
    const std::string correct = encodePacket(payload);
    const std::string line = answerLine(payload, AnswerFault::BadChecksum);
    ASSERT_EQ(line.size(), correct.size());
    EXPECT_EQ(line.substr(1), correct.substr(1));
    EXPECT_GE(static_cast<unsigned char>(line[0]), 0x20);
    EXPECT_LE(static_cast<unsigned char>(line[0]), 0x7F);
    EXPECT_FALSE(checkPacket(line).valid);
  }
}

TEST(FaultPlanTest, WrongEchoIsAValidAnswerToTheNextCommand) {
  const struct {
    std::string payload;
    std::string echoed;
  } cases[] = {
      {"1T", "2T"}, {"2F", "3F"}, {"3", "4"}, {"4", "5"}, {"5", "1"},
  };
  for (const auto& c : cases) {
    const PacketCheck check = checkPacket(answerLine(c.payload, AnswerFault::WrongEcho));
    ASSERT_TRUE(check.valid) << c.payload << ": " << check.problem;
    EXPECT_EQ(check.payload, c.echoed);
  }
}

TEST(FaultPlanTest, GarbageIsOneLineOfJunkBytes) {
  const std::string line = answerLine("1T", AnswerFault::Garbage);
  EXPECT_NE(line.find('\x00'), std::string::npos);
  EXPECT_NE(line.find('\xFF'), std::string::npos);
  // It must stay one line, and must not stop the monitor's output by software
  // flow control (XON 0x11, XOFF 0x13).
  for (char c : {'\r', '\n', '\x11', '\x13'}) EXPECT_EQ(line.find(c), std::string::npos);
  EXPECT_FALSE(checkPacket(line).valid);
}

TEST(FaultPlanTest, SilentAndNoFaultLines) {
  EXPECT_EQ(answerLine("1T", AnswerFault::Silent), "");
  EXPECT_EQ(answerLine("1T", AnswerFault::None), "`051T");
}

}  // namespace
}  // namespace p2a::board_sim
