// Packets as the monitor expects them from the board, and the checks made on
// the packets it sends.
#include "board_sim/packet_codec.h"

#include <gtest/gtest.h>

namespace p2a::board_sim {
namespace {

TEST(PacketCodecTest, EncodesTheMonitorsReferencePackets) {
  const struct {
    std::string payload;
    std::string packet;
  } cases[] = {
      {"1", "5041"},   {"2", "6042"},   {"3", "7043"},   {"4", "0044"},   {"5", "1045"},
      {"1T", "`051T"}, {"1F", "r051F"}, {"2T", "c052T"}, {"2F", "q052F"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(encodePacket(c.payload), c.packet) << "payload " << c.payload;
  }
}

TEST(PacketCodecTest, ChecksumStaysWithinPrintableRange) {
  // XOR of "04" and a payload byte 0x04 gives 0x00: lifted to 0x20.
  EXPECT_EQ(packetChecksum(std::string("04\x04", 3)), ' ');
  // Bit 7 is dropped: 0x30 ^ 0x34 ^ 0xC1 = 0xC5 -> 0x45.
  EXPECT_EQ(packetChecksum("04\xC1"), 'E');
}

TEST(PacketCodecTest, AcceptsWellFormedCommandPackets) {
  for (const char* packet : {"5041", "6042", "7043", "0044", "1045", "`051T"}) {
    const PacketCheck check = checkPacket(packet);
    EXPECT_TRUE(check.valid) << packet << ": " << check.problem;
    EXPECT_EQ(check.payload, std::string(packet).substr(3));
  }
}

TEST(PacketCodecTest, RefusesDamagedPacketsSayingWhy) {
  const struct {
    std::string packet;
    std::string problem;
  } cases[] = {
      {"", "too short"},
      {"504", "too short"},
      {"5A41", "length field is not two digits"},
      {"5 41", "length field is not two digits"},
      {"5051", "length field says 5 but 4 characters came"},
      {"50412", "length field says 4 but 5 characters came"},
      {"6041", "bad checksum '6', expected '5'"},
      {std::string("\x01") + "041", "bad checksum '\\x01', expected '5'"},
  };
  for (const auto& c : cases) {
    const PacketCheck check = checkPacket(c.packet);
    EXPECT_FALSE(check.valid) << c.packet;
    EXPECT_EQ(check.problem, c.problem) << c.packet;
    EXPECT_TRUE(check.payload.empty()) << c.packet;
  }
}

}  // namespace
}  // namespace p2a::board_sim
