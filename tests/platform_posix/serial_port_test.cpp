// The serial port over a real pseudo-terminal: the test plays the board on
// the master side while the port under test opens the slave side as "COM7"
// through a link in a directory named by P2A_SERIAL_DIR.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#ifdef __APPLE__
#include <util.h>
#else
#include <pty.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/serial_port.h"
#include "scoped_environment.h"
#include "serial_speed_probe.h"
#include "temporary_directory.h"

namespace p2a {
namespace {

using namespace std::chrono_literals;
using testing::ScopedEnvironment;
using testing::TemporaryDirectory;
using SteadyClock = std::chrono::steady_clock;

constexpr const char* kInUseText = "in use by another program";

std::chrono::milliseconds elapsedSince(SteadyClock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start);
}

std::string allByteValues() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  return bytes;
}

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(directory_.path().empty());
    ASSERT_EQ(::openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0) << std::strerror(errno);
    slavePath_ = ::ttyname(slave_);
    ASSERT_EQ(::symlink(slavePath_.c_str(), (directory_.path() + "/COM7").c_str()), 0);
  }

  void TearDown() override {
    port_.reset();
    closeMaster();
    if (slave_ >= 0) ::close(slave_);
  }

  // Connects the port under test to COM7 at 9600 baud.
  void connectPort() {
    port_ = createSystemSerialPort();
    ASSERT_TRUE(port_->connect("COM7")) << port_->lastErrorText();
    ASSERT_TRUE(port_->configure(9600)) << port_->lastErrorText();
  }

  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  void writeToMaster(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // What the board side receives within the time given, at most `count` bytes.
  std::string readFromMaster(std::size_t count, std::chrono::milliseconds within = 2s) {
    std::string received;
    const auto deadline = SteadyClock::now() + within;
    while (received.size() < count) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
      struct pollfd watch {};
      watch.fd = master_;
      watch.events = POLLIN;
      if (left.count() <= 0 || ::poll(&watch, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[4096];
      const ssize_t got = ::read(master_, buffer, std::min(sizeof buffer, count - received.size()));
      if (got <= 0) break;
      received.append(buffer, static_cast<std::size_t>(got));
    }
    return received;
  }

  // Up to `count` bytes through readByte, stopping at the first result that
  // is not a byte.
  std::string readFromPort(std::size_t count) {
    std::string received;
    while (received.size() < count) {
      const ByteRead read = port_->readByte(1000);
      if (read.outcome != ByteRead::Outcome::Byte) break;
      received += static_cast<char>(read.byte);
    }
    return received;
  }

  struct termios slaveSettings() {
    struct termios settings {};
    EXPECT_EQ(::tcgetattr(slave_, &settings), 0);
    return settings;
  }

  // Opens COM7 plainly, as a program that knows nothing of our lock would,
  // from a child process running as the unprivileged user "nobody" (for
  // root, exclusive mode does not apply). Returns 0 or the errno of open().
  int openAsUnprivilegedUser() {
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
      const int fd = ::open((directory_.path() + "/COM7").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      ::_exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
  }

  // Checks that a vanished board is reported at once by reading, repeatedly,
  // and then by writing.
  void expectFailureAfterMasterCloses(std::chrono::milliseconds closeDelay) {
    ASSERT_NO_FATAL_FAILURE(connectPort());
    std::thread board;
    if (closeDelay == 0ms) {
      closeMaster();
    } else {
      board = std::thread([this, closeDelay] {
        std::this_thread::sleep_for(closeDelay);
        closeMaster();
      });
    }
    const auto start = SteadyClock::now();
    const ByteRead first = port_->readByte(5000);
    const auto firstTook = elapsedSince(start);
    if (board.joinable()) board.join();
    EXPECT_EQ(first.outcome, ByteRead::Outcome::Failure);
    EXPECT_LT(firstTook, closeDelay + 1s);
    EXPECT_NE(port_->lastErrorText(), "OK");
    EXPECT_FALSE(port_->lastErrorText().empty());

    const auto again = SteadyClock::now();
    EXPECT_EQ(port_->readByte(5000).outcome, ByteRead::Outcome::Failure);
    EXPECT_LT(elapsedSince(again), 1s);

    EXPECT_FALSE(port_->sendString("x"));
    EXPECT_NE(port_->lastErrorText(), "OK");
  }

  TemporaryDirectory directory_;
  ScopedEnvironment serialDir_{"P2A_SERIAL_DIR", directory_.path()};
  int master_ = -1;
  int slave_ = -1;  // kept open by the test to inspect the line settings
  std::string slavePath_;
  std::unique_ptr<SerialPort> port_;
};

TEST_F(SerialPortTest, ConnectsAndSetsTheLineFormat) {
  // Start from settings the port has to change. (Linux pseudo-terminals
  // force 8 data bits without parity, so those two cannot be shown here.)
  struct termios settings = slaveSettings();
  settings.c_cflag |= CSTOPB | CRTSCTS;
  settings.c_cflag &= ~static_cast<tcflag_t>(CLOCAL | CREAD);
  settings.c_iflag |= IXOFF | IXANY | INPCK;
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 5;
  ASSERT_EQ(::cfsetispeed(&settings, B1200), 0);
  ASSERT_EQ(::cfsetospeed(&settings, B1200), 0);
  ASSERT_EQ(::tcsetattr(slave_, TCSANOW, &settings), 0);

  port_ = createSystemSerialPort();
  ASSERT_TRUE(port_->connect("COM7")) << port_->lastErrorText();
  EXPECT_EQ(port_->lastErrorText(), "OK");
  ASSERT_TRUE(port_->configure(9600)) << port_->lastErrorText();
  EXPECT_EQ(port_->lastErrorText(), "OK");

  settings = slaveSettings();
  EXPECT_EQ(::cfgetispeed(&settings), static_cast<speed_t>(B9600));
  EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B9600));
  EXPECT_EQ(settings.c_cflag & (CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | IXANY | INPCK), 0u);
  EXPECT_EQ(settings.c_cc[VMIN], 0);
  EXPECT_EQ(settings.c_cc[VTIME], 0);
}

#ifdef __linux__
// Standard and other speeds, in an order where an other speed is followed by
// standard ones: both directions must change each time.
TEST_F(SerialPortTest, SetsStandardAndOtherSpeeds) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  for (int baud : {50, 115200, 12345, 9600, 250000, 31250, 921600, 4000000}) {
    SCOPED_TRACE(baud);
    ASSERT_TRUE(port_->configure(baud)) << port_->lastErrorText();
    testing::SerialSpeeds speeds;
    ASSERT_TRUE(testing::readSerialSpeeds(slave_, speeds)) << std::strerror(errno);
    EXPECT_EQ(speeds.input, static_cast<unsigned>(baud));
    EXPECT_EQ(speeds.output, static_cast<unsigned>(baud));
  }
}
#endif

TEST_F(SerialPortTest, RefusesSpeedsThatAreNotPositive) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  for (int baud : {0, -5}) {
    SCOPED_TRACE(baud);
    EXPECT_FALSE(port_->configure(baud));
    EXPECT_EQ(port_->lastErrorText(), "unsupported baud rate " + std::to_string(baud));
    // Speed 0 would have hung up the line.
    const struct termios settings = slaveSettings();
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B9600));
  }
}

TEST_F(SerialPortTest, DiscardsWhatArrivedBeforeConnecting) {
  ASSERT_NO_FATAL_FAILURE(writeToMaster("stale\n"));
  ASSERT_NO_FATAL_FAILURE(connectPort());
  EXPECT_EQ(port_->readByte(200).outcome, ByteRead::Outcome::Timeout);
}

TEST_F(SerialPortTest, ReceivesBytesInOrderAndCountsTheOnesItHolds) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  EXPECT_EQ(port_->waitingCount(), 0u);
  ASSERT_NO_FATAL_FAILURE(writeToMaster("abc"));

  const ByteRead first = port_->readByte(1000);
  ASSERT_EQ(first.outcome, ByteRead::Outcome::Byte);
  EXPECT_EQ(first.byte, 'a');
  EXPECT_EQ(port_->waitingCount(), 2u);
  EXPECT_EQ(readFromPort(2), "bc");
  EXPECT_EQ(port_->waitingCount(), 0u);
}

TEST_F(SerialPortTest, TimesOutWhenNothingArrives) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  const auto start = SteadyClock::now();
  const ByteRead read = port_->readByte(300);
  const auto took = elapsedSince(start);
  EXPECT_EQ(read.outcome, ByteRead::Outcome::Timeout);
  EXPECT_EQ(port_->lastErrorText(), "Timeout during operation");
  EXPECT_GE(took, 250ms);
  EXPECT_LT(took, 3s);
}

// Every byte value, control characters included, passes unchanged in both
// directions: no line-end translation, no signals, no flow control, no echo.
TEST_F(SerialPortTest, PassesEveryByteUnchangedBothWays) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  const std::string bytes = allByteValues();

  ASSERT_NO_FATAL_FAILURE(writeToMaster(bytes));
  EXPECT_EQ(readFromPort(bytes.size()), bytes);
  EXPECT_EQ(port_->readByte(100).outcome, ByteRead::Outcome::Timeout);
  EXPECT_EQ(readFromMaster(1, 100ms), "");

  ASSERT_TRUE(port_->sendString(bytes)) << port_->lastErrorText();
  EXPECT_EQ(port_->lastErrorText(), "OK");
  EXPECT_EQ(readFromMaster(bytes.size()), bytes);
  EXPECT_EQ(readFromMaster(1, 100ms), "");
}

TEST_F(SerialPortTest, SendWaitsForRoomWhenTheDeviceIsFull) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  std::string data;
  for (int i = 0; i < 200000; ++i) data += static_cast<char>(i % 251);

  std::string received;
  std::thread board([&] {
    std::this_thread::sleep_for(300ms);  // let the device fill up first
    received = readFromMaster(data.size(), 10s);
  });
  EXPECT_TRUE(port_->sendString(data)) << port_->lastErrorText();
  board.join();
  EXPECT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data);
}

TEST_F(SerialPortTest, PurgeDiscardsHeldAndPendingBytes) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  ASSERT_NO_FATAL_FAILURE(writeToMaster("xyz"));
  ASSERT_EQ(readFromPort(1), "x");
  ASSERT_NO_FATAL_FAILURE(writeToMaster("more"));
  const auto deadline = SteadyClock::now() + 2s;
  while (port_->waitingCount() < 6 && SteadyClock::now() < deadline)
    std::this_thread::sleep_for(5ms);
  ASSERT_EQ(port_->waitingCount(), 6u);

  port_->purge();
  EXPECT_EQ(port_->lastErrorText(), "OK");
  EXPECT_EQ(port_->waitingCount(), 0u);
  EXPECT_EQ(port_->readByte(100).outcome, ByteRead::Outcome::Timeout);

  ASSERT_NO_FATAL_FAILURE(writeToMaster("n"));
  EXPECT_EQ(readFromPort(1), "n");
}

TEST_F(SerialPortTest, ReportsTheBoardVanishingBeforeARead) { expectFailureAfterMasterCloses(0ms); }

TEST_F(SerialPortTest, ReportsTheBoardVanishingDuringARead) {
  expectFailureAfterMasterCloses(200ms);
}

TEST_F(SerialPortTest, SecondPortIsRefusedWhileTheFirstHoldsTheDevice) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  auto second = createSystemSerialPort();
  EXPECT_FALSE(second->connect("COM7"));
  EXPECT_NE(second->lastErrorText().find(directory_.path() + "/COM7"), std::string::npos)
      << second->lastErrorText();
  EXPECT_NE(second->lastErrorText().find(kInUseText), std::string::npos) << second->lastErrorText();

  port_.reset();
  EXPECT_TRUE(second->connect("COM7")) << second->lastErrorText();
}

// Exclusive mode keeps out other users' programs that do not take the lock;
// it must end with the port, although a pseudo-terminal outlives the
// descriptor.
TEST_F(SerialPortTest, ExclusiveModeLastsAsLongAsThePort) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a child as another user";
  ASSERT_EQ(::fchmod(slave_, 0666), 0);
  ASSERT_EQ(::chmod(directory_.path().c_str(), 0755), 0);
  ASSERT_EQ(openAsUnprivilegedUser(), 0);

  ASSERT_NO_FATAL_FAILURE(connectPort());
  EXPECT_EQ(openAsUnprivilegedUser(), EBUSY);
  port_.reset();
  EXPECT_EQ(openAsUnprivilegedUser(), 0);
}

TEST_F(SerialPortTest, ConnectFailuresNameThePath) {
  {
    SCOPED_TRACE("missing device");
    auto port = createSystemSerialPort();
    EXPECT_FALSE(port->connect("COM3"));
    EXPECT_EQ(port->lastErrorText(), directory_.path() + "/COM3: " + std::strerror(ENOENT));
  }
  {
    SCOPED_TRACE("not a terminal");
    std::ofstream(directory_.path() + "/COM8") << "plain file";
    auto port = createSystemSerialPort();
    EXPECT_FALSE(port->connect("COM8"));
    EXPECT_EQ(port->lastErrorText().rfind(directory_.path() + "/COM8: ", 0), 0u)
        << port->lastErrorText();
    EXPECT_NE(port->lastErrorText().find("not a serial port"), std::string::npos);
  }
}

#ifdef __linux__
// A sound player started while the port is open must not inherit it: it
// would keep the device (and its lock) after we close it.
TEST_F(SerialPortTest, PortIsClosedInStartedPrograms) {
  ASSERT_NO_FATAL_FAILURE(connectPort());
  int portDescriptors = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
    const int fd = std::stoi(entry.path().filename().string());
    if (error || target != slavePath_ || fd == slave_) continue;
    ++portDescriptors;
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "descriptor " << fd;
  }
  EXPECT_EQ(portDescriptors, 1);
}
#endif

}  // namespace
}  // namespace p2a
