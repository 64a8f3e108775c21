// Host check of the board's packet and line code (firmware/p2a_board):
// encodes the reference payloads, decodes good and damaged texts, and splits
// received character streams into lines. Prints each failure and a closing
// count; exits non-zero when anything failed.
#include <cstdio>
#include <string>
#include <vector>

#include "line_collector.h"
#include "packet.h"

namespace {

int passedCount = 0;
int failedCount = 0;

// Shows a text with its non-printable characters as \xNN.
std::string shown(const std::string& text) {
  std::string result;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      result += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      result += escaped;
    }
  }
  return result;
}

void expectEqual(const std::string& what, const std::string& actual,
                 const std::string& expected) {
  if (actual == expected) {
    ++passedCount;
    return;
  }
  ++failedCount;
  std::printf("FAILED %s: got \"%s\", expected \"%s\"\n", shown(what).c_str(),
              shown(actual).c_str(), shown(expected).c_str());
}

// An empty packet means the encoder must refuse the payload.
struct EncodeCase {
  std::string payload;
  std::string packet;
};

const EncodeCase kEncodeCases[] = {
    {"1", "\x35\x30\x34\x31"},
    {"2", "\x36\x30\x34\x32"},
    {"3", "\x37\x30\x34\x33"},
    {"4", "\x30\x30\x34\x34"},
    {"5", "\x31\x30\x34\x35"},
    {"1T", "\x60\x30\x35\x31\x54"},
    {"2F", "\x71\x30\x35\x32\x46"},
    {"AA", "%05AA"},     // 7-bit XOR 0x05 is lifted to 0x25
    {"\xC1", "E04\xC1"},  // the eighth bit does not reach the checksum
    {"", "#03"},
    {"ABCDEFGHIJKLMNOPQ", "C20ABCDEFGHIJKLMNOPQ"},
    {"ABCDEFGHIJKLMNOPQR", ""},
};

void checkEncoding(const EncodeCase& test) {
  const char untouched = '~';
  std::vector<char> packet(kPacketMaxLength, untouched);
  const size_t length = encodePacket(test.payload.data(), test.payload.size(), packet.data());
  std::string written(packet.data(), length);
  if (length == 0) {
    const bool allUntouched = std::string(packet.begin(), packet.end()) ==
                              std::string(kPacketMaxLength, untouched);
    if (!allUntouched) written = "(refused, but wrote into the buffer)";
  }
  expectEqual("encode " + test.payload, written, test.packet);
}

// An empty payload with accepted false means the decoder must refuse the text.
struct DecodeCase {
  std::string text;
  bool accepted;
  std::string payload;
};

const DecodeCase kDecodeCases[] = {
    {"5041", true, "1"},
    {"`051T", true, "1T"},
    {"q052F", true, "2F"},
    {"@051t", true, "1t"},
    {"5041xyz", true, "1"},     // characters after the declared length
    {"#03x", true, ""},         // length 03: empty payload
    {"C20ABCDEFGHIJKLMNOPQ", true, "ABCDEFGHIJKLMNOPQ"},
    {"", false, ""},
    {"#03", false, ""},         // shorter than four characters
    {"6041", false, ""},        // wrong checksum
    {"`051t", false, ""},       // the checksum tells T from t
    {"50A1", false, ""},        // length field not two digits
    {" 5041", false, ""},       // leading blank shifts the fields
    {"0021", false, ""},        // length 02, below 3 (checksum fits)
    {"021ABCDEFGHIJKLMNOPQR", false, ""},  // length 21, above 20 (checksum fits)
    {"4051", false, ""},        // length 05 beyond the four characters present
};

void checkDecoding(const DecodeCase& test) {
  // An exact-size copy lets the address sanitizer catch any read past the text.
  std::vector<char> text(test.text.begin(), test.text.end());
  const char* payload = nullptr;
  size_t payloadLength = 0;
  const bool accepted = decodePacket(text.data(), text.size(), payload, payloadLength);
  const bool payloadInText = accepted && text.size() >= kPacketHeaderLength &&
                             payload == text.data() + kPacketHeaderLength &&
                             payloadLength <= text.size() - kPacketHeaderLength;
  std::string outcome = "refused";
  if (payloadInText) outcome = "accepted " + std::string(payload, payloadLength);
  if (accepted && !payloadInText) outcome = "accepted with a payload outside the text";
  const std::string expected = test.accepted ? "accepted " + test.payload : "refused";
  expectEqual("decode " + test.text, outcome, expected);
}

// `lines` lists every completed line followed by '|'.
struct LineCase {
  std::string received;
  std::string lines;
};

const std::string kLongestLine(LineCollector::kCapacity, 'A');

const LineCase kLineCases[] = {
    {"5041\r", "5041|"},
    {"5041\r\n", "5041|"},
    {"\n50\n41\r", "5041|"},
    {"5041\r6042\r", "5041|6042|"},
    {"5041", ""},
    {"\r", "|"},
    {kLongestLine + "\r", kLongestLine + "|"},
    {kLongestLine + "B\r5041\r", "5041|"},
    {kLongestLine + kLongestLine + "\n\r6042\r", "6042|"},
};

void checkLines(const LineCase& test) {
  LineCollector collector;
  std::string lines;
  for (char c : test.received) {
    if (collector.add(c)) lines += std::string(collector.text(), collector.length()) + "|";
  }
  expectEqual("lines of " + test.received, lines, test.lines);
}

}  // namespace

int main() {
  for (const EncodeCase& test : kEncodeCases) checkEncoding(test);
  for (const DecodeCase& test : kDecodeCases) checkDecoding(test);
  for (const LineCase& test : kLineCases) checkLines(test);
  std::printf("firmware-host-check: %d passed, %d failed\n", passedCount, failedCount);
  return failedCount == 0 ? 0 : 1;
}
