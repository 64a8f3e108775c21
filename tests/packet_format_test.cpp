// Packet encoding and decoding: reference encodings, trace lines and the
// refusals of damaged or malformed packets.
#include "packet_link/packet_format.h"

#include <gtest/gtest.h>

#include <ostream>

#include "tests/fakes/board_rig.h"

namespace p2a::testing {
namespace {

struct Codec {
  RecordingConsole console;
  Trace trace{console, true};
};

struct EncodingCase {
  std::string payload;
  std::string packet;
  friend void PrintTo(const EncodingCase& c, std::ostream* os) { *os << '"' << c.payload << '"'; }
};

class ReferenceEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(ReferenceEncoding, EncodesAndDecodesBack) {
  Codec codec;
  EXPECT_EQ(p2a_i_encodePacket(codec.trace, GetParam().payload), GetParam().packet);
  std::string payload;
  EXPECT_TRUE(p2a_i_decodePacket(codec.trace, GetParam().packet, payload));
  EXPECT_EQ(payload, GetParam().payload);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, ReferenceEncoding,
    ::testing::Values(EncodingCase{"1", "\x35\x30\x34\x31"}, EncodingCase{"2", "\x36\x30\x34\x32"},
                      EncodingCase{"3", "\x37\x30\x34\x33"}, EncodingCase{"4", "\x30\x30\x34\x34"},
                      EncodingCase{"5", "\x31\x30\x34\x35"},
                      EncodingCase{"1T", "\x60\x30\x35\x31\x54"},
                      EncodingCase{"2F", "\x71\x30\x35\x32\x46"},
                      // XOR of "0" "5" "a" "A" is 0x05, lifted to 0x25; case matters.
                      EncodingCase{"aA", "%05aA"}, EncodingCase{"Aa", "%05Aa"},
                      EncodingCase{"1t", "@051t"}));

TEST(PacketEncoding, WritesItsTraceLinesInOrder) {
  Codec codec;
  p2a_i_encodePacket(codec.trace, "1");
  EXPECT_EQ(codec.console.output,
            "@p2a_i_encodePacket: s=1\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 4\r\n"
            "  cksum=53/5\r\n");
}

TEST(PacketEncoding, ChecksumBelowSpaceIsLifted) {
  Codec codec;
  // '0' ^ '4' ^ 0x01 = 0x05, below 0x20, so the checksum is 0x25 ('%').
  EXPECT_EQ(p2a_i_encodePacket(codec.trace, "\x01"), "%04\x01");
  EXPECT_EQ(p2a_i_computeChecksum(codec.trace, "?04\x04"), 0x20u);  // XOR 0 becomes a blank
}

TEST(PacketEncoding, LongestDecodablePayloadIsSeventeenCharacters) {
  Codec codec;
  std::string payload;
  std::string seventeen(17, 'x');
  std::string packet = p2a_i_encodePacket(codec.trace, seventeen);
  EXPECT_EQ(packet.substr(1, 2), "20");
  EXPECT_TRUE(p2a_i_decodePacket(codec.trace, packet, payload));
  EXPECT_EQ(payload, seventeen);

  packet = p2a_i_encodePacket(codec.trace, std::string(18, 'x'));
  EXPECT_EQ(packet.substr(1, 2), "21");
  EXPECT_FALSE(p2a_i_decodePacket(codec.trace, packet, payload));
  EXPECT_EQ(payload, "");
}

TEST(PacketEncoding, LengthFieldKeepsOnlyTwoDigits) {
  Codec codec;
  // 97 characters of payload make a packet of 100: its length field reads 00.
  EXPECT_EQ(p2a_i_encodePacket(codec.trace, std::string(97, 'x')).substr(0, 3), " 00");
}

TEST(PacketDecoding, SuccessWritesItsTraceLinesInOrder) {
  Codec codec;
  std::string payload;
  ASSERT_TRUE(p2a_i_decodePacket(codec.trace, "`051T", payload));
  EXPECT_EQ(codec.console.output,
            "@p2a_i_decode4Packet: packet=`051T\r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 5\r\n"
            "p2a_i_computeChecksum: \r\n"
            "@p2a_i_getPacketLen\r\n"
            " returning len as 5\r\n"
            "  cksum=96/`\r\n");
}

struct RefusalCase {
  const char* name;
  std::string text;
  std::string traceAfterHeader;  // every trace line after the first
  friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << '"' << c.name << '"'; }
};

class DecodeRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(DecodeRefusal, RefusesWithEmptyPayload) {
  Codec codec;
  std::string payload = "stale";
  EXPECT_FALSE(p2a_i_decodePacket(codec.trace, GetParam().text, payload));
  EXPECT_EQ(payload, "");
  EXPECT_EQ(codec.console.output,
            "@p2a_i_decode4Packet: packet=" + GetParam().text + "\r\n" + GetParam().traceAfterHeader);
}

INSTANTIATE_TEST_SUITE_P(
    Defects, DecodeRefusal,
    ::testing::Values(
        RefusalCase{"Empty", "", "  length packet < 4\r\n"},
        // A valid packet of length 3 is still refused when only 3 characters came.
        RefusalCase{"ThreeCharacters", "#03", "  length packet < 4\r\n"},
        RefusalCase{"LengthNotDigits", "50A1", "@p2a_i_getPacketLen\r\n"},
        RefusalCase{"LengthBelowThree", "5021", "@p2a_i_getPacketLen\r\n returning len as 2\r\n"},
        RefusalCase{"LengthAboveMaximum", "x21" + std::string(18, 'x'),
                    "@p2a_i_getPacketLen\r\n returning len as 21\r\n"},
        // Declares 20 characters but only 5 came: nothing past the text is read.
        RefusalCase{"LengthBeyondText", "`201T", "@p2a_i_getPacketLen\r\n returning len as 20\r\n"},
        RefusalCase{"ChecksumMismatch", "a051T",
                    "@p2a_i_getPacketLen\r\n returning len as 5\r\n"
                    "p2a_i_computeChecksum: \r\n@p2a_i_getPacketLen\r\n returning len as 5\r\n"
                    "  cksum=96/`\r\n"},
        RefusalCase{"ChecksumIsCaseSensitive", "`051t",
                    "@p2a_i_getPacketLen\r\n returning len as 5\r\n"
                    "p2a_i_computeChecksum: \r\n@p2a_i_getPacketLen\r\n returning len as 5\r\n"
                    "  cksum=64/@\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PacketDecoding, AcceptsEmptyPayloadOfLengthThree) {
  Codec codec;
  std::string payload = "stale";
  // Four characters received, length field 03: the fourth is outside the packet.
  EXPECT_TRUE(p2a_i_decodePacket(codec.trace, "#03Z", payload));
  EXPECT_EQ(payload, "");
}

TEST(PacketDecoding, IgnoresCharactersAfterTheDeclaredLength) {
  Codec codec;
  std::string payload;
  EXPECT_TRUE(p2a_i_decodePacket(codec.trace, "`051Tjunk", payload));
  EXPECT_EQ(payload, "1T");
}

TEST(PacketLength, NonDigitStopsBeforeTheResultTrace) {
  Codec codec;
  EXPECT_EQ(p2a_i_getPacketLen(codec.trace, "x0A"), -1);
  EXPECT_EQ(p2a_i_getPacketLen(codec.trace, "xA0"), -1);
  EXPECT_EQ(codec.console.output, "@p2a_i_getPacketLen\r\n@p2a_i_getPacketLen\r\n");
}

TEST(PacketTrace, NothingIsWrittenWhenTracesAreOff) {
  RecordingConsole console;
  Trace off(console, false);
  std::string payload;
  EXPECT_TRUE(p2a_i_decodePacket(off, p2a_i_encodePacket(off, "5"), payload));
  EXPECT_EQ(console.output, "");
}

}  // namespace
}  // namespace p2a::testing
