// Mapping of "COM<d>" port names to device paths, with and without the
// P2A_SERIAL_DIR override.
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "platform/port_name_posix.h"
#include "scoped_environment.h"

namespace p2a {
namespace {

using testing::ScopedEnvironment;

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// A digit d for which /dev/ttyACM<d> and /dev/ttyUSB<d> are missing and
// /dev/ttyS<d> exists exactly when `wantSerialS`; nullopt if there is none.
std::optional<char> digitWhere(bool wantSerialS) {
  for (char digit = '0'; digit <= '9'; ++digit) {
    const std::string d(1, digit);
    if (!exists("/dev/ttyACM" + d) && !exists("/dev/ttyUSB" + d) &&
        exists("/dev/ttyS" + d) == wantSerialS) {
      return digit;
    }
  }
  return std::nullopt;
}

TEST(PortNameTest, SerialDirectoryOverridesTheDevices) {
  ScopedEnvironment serialDir("P2A_SERIAL_DIR", "/tmp/ports");
  EXPECT_EQ(resolvePortName("COM7"), "/tmp/ports/COM7");
  EXPECT_EQ(resolvePortName("COM0"), "/tmp/ports/COM0");
}

TEST(PortNameTest, FallsBackToTheFirstCandidateWhenNoDeviceExists) {
  const std::optional<std::string> unset;
  for (const std::optional<std::string>& dirValue : {unset, std::optional<std::string>{""}}) {
    SCOPED_TRACE(dirValue ? "P2A_SERIAL_DIR empty" : "P2A_SERIAL_DIR unset");
    ScopedEnvironment serialDir("P2A_SERIAL_DIR", dirValue);
    const std::optional<char> digit = digitWhere(false);
    if (!digit) GTEST_SKIP() << "every COM digit has a device on this machine";
    EXPECT_EQ(resolvePortName(std::string("COM") + *digit), std::string("/dev/ttyACM") + *digit);
  }
}

TEST(PortNameTest, FindsAnExistingOnboardSerialDevice) {
  ScopedEnvironment serialDir("P2A_SERIAL_DIR", std::nullopt);
  const std::optional<char> digit = digitWhere(true);
  if (!digit) GTEST_SKIP() << "no /dev/ttyS<d> without /dev/ttyACM<d> here";
  EXPECT_EQ(resolvePortName(std::string("COM") + *digit), std::string("/dev/ttyS") + *digit);
}

TEST(PortNameTest, LeavesOtherNamesUnchanged) {
  ScopedEnvironment serialDir("P2A_SERIAL_DIR", "/tmp/ports");
  for (const char* name : {"/dev/ttyUSB0", "COM", "COM12", "com3", "XCOM1", ""}) {
    EXPECT_EQ(resolvePortName(name), name);
  }
}

}  // namespace
}  // namespace p2a
