// The board's answers to every command in every state, the LED it keeps, and
// the packets it refuses.
#include "board_sim/board.h"

#include <gtest/gtest.h>

#include "board_sim/packet_codec.h"

namespace p2a::board_sim {
namespace {

TEST(BoardTest, AnswersEveryCommandInEveryInputState) {
  const struct {
    std::string command;
    BoardInputs inputs;
    std::string payload;
  } cases[] = {
      {"1", {false, false}, "1F"}, {"1", {true, false}, "1T"},  {"1", {false, true}, "1F"},
      {"1", {true, true}, "1T"},   {"2", {false, false}, "2F"}, {"2", {true, false}, "2F"},
      {"2", {false, true}, "2T"},  {"2", {true, true}, "2T"},   {"3", {true, true}, "3"},
      {"3", {false, false}, "3"},  {"4", {true, true}, "4"},    {"4", {false, false}, "4"},
      {"5", {true, true}, "5"},    {"5", {false, false}, "5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("command " + c.command + " with " + describeInputs(c.inputs));
    Board board;
    const BoardReply reply = board.handle(encodePacket(c.command), c.inputs);
    ASSERT_TRUE(reply.answered) << reply.refusal;
    EXPECT_EQ(reply.answerPayload, c.payload);
  }
}

TEST(BoardTest, KeepsTheLedAsTheMonitorSetsIt) {
  Board board;
  EXPECT_FALSE(board.ledOn());
  board.handle("7043", {});
  EXPECT_TRUE(board.ledOn());
  // Queries and keep-alives leave it alone.
  board.handle("5041", {});
  board.handle("6042", {true, true});
  board.handle("1045", {});
  EXPECT_TRUE(board.ledOn());
  board.handle("0044", {});
  EXPECT_FALSE(board.ledOn());
  board.handle("0044", {});
  EXPECT_FALSE(board.ledOn());
}

TEST(BoardTest, RefusesBadPacketsAndUnknownCommandsWithoutActingOnThem) {
  const struct {
    std::string packet;
    std::string refusal;
  } cases[] = {
      {"8043", "bad checksum '8', expected '7'"},  // LED on with a damaged checksum
      {"7053", "length field says 5 but 4 characters came"},
      {"3", "too short"},
      {encodePacket("9"), "unknown command 9"},
      {encodePacket("33"), "unknown command 33"},
      {encodePacket("t"), "unknown command t"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.packet);
    Board board;
    const BoardReply reply = board.handle(c.packet, {true, true});
    EXPECT_FALSE(reply.answered);
    EXPECT_EQ(reply.refusal, c.refusal);
    EXPECT_TRUE(reply.answerPayload.empty());
    EXPECT_FALSE(board.ledOn());
  }
}

}  // namespace
}  // namespace p2a::board_sim
