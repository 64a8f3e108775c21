// Background playback through fake players put on PATH: which player starts,
// with which arguments, and that nothing of it stays behind in this process.
#include "platform/sound_player.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "redirected_descriptor.h"
#include "scoped_environment.h"
#include "temporary_directory.h"

namespace p2a {
namespace {

using namespace std::chrono_literals;
using testing::fileContents;
using testing::RedirectedDescriptor;
using testing::ScopedEnvironment;
using testing::TemporaryDirectory;

#ifdef __APPLE__
const std::string kPlayer = "afplay";
const std::string kPlayerOptions;
#else
const std::string kPlayer = "aplay";
const std::string kPlayerOptions = "-q\n";
#endif

class SoundPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bin_.path().empty());
    wavPath_ = bin_.path() + ".wav";  // unique, directly under /tmp
    std::ofstream(wavPath_) << "RIFF";
  }

  void TearDown() override { std::remove(wavPath_.c_str()); }

  // Puts a fake player on PATH. It makes noise on its output, records its
  // name and arguments one per line, then stays for `lingerSeconds`.
  void installFakePlayer(const std::string& name, int lingerSeconds = 0) {
    const std::string path = bin_.path() + "/" + name;
    std::ofstream script(path);
    script << "#!/bin/sh\n"
           << "PATH=/usr/bin:/bin\n"
           << "echo noise on stdout\n"
           << "echo noise on stderr >&2\n"
           << "printf '%s\\n' \"${0##*/}\" \"$@\" > '" << recordPath() << ".tmp'\n"
           << "mv '" << recordPath() << ".tmp' '" << recordPath() << "'\n"
           << "sleep " << lingerSeconds << "\n";
    script.close();
    ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
  }

  std::string recordPath() const { return bin_.path() + "/started"; }

  // What the started player recorded, waiting up to `within` for it; empty
  // when no player started.
  std::string takeRecord(std::chrono::milliseconds within = 3s) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (::access(recordPath().c_str(), F_OK) != 0 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(10ms);
    }
    std::string record = fileContents(recordPath());
    std::remove(recordPath().c_str());
    return record;
  }

  TemporaryDirectory bin_;
  ScopedEnvironment path_{"PATH", "/nonexistent-p2a-dir:" + bin_.path()};
  std::string wavPath_;
};

TEST_F(SoundPlayerTest, PlaysTheFileGivenWithOrWithoutADrive) {
  ASSERT_NO_FATAL_FAILURE(installFakePlayer(kPlayer));
  std::string backslashed = wavPath_;
  std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
  for (const std::string& spelling : {"c:" + wavPath_, "C:" + backslashed, wavPath_}) {
    SCOPED_TRACE(spelling);
    createSystemSoundPlayer()->playInBackground(spelling);
    EXPECT_EQ(takeRecord(), kPlayer + "\n" + kPlayerOptions + wavPath_ + "\n");
  }
}

#ifndef __APPLE__
TEST_F(SoundPlayerTest, PrefersPipeWireThenPulseAudioThenAlsa) {
  ASSERT_NO_FATAL_FAILURE(installFakePlayer("aplay"));
  ASSERT_NO_FATAL_FAILURE(installFakePlayer("paplay"));
  createSystemSoundPlayer()->playInBackground(wavPath_);
  EXPECT_EQ(takeRecord(), "paplay\n" + wavPath_ + "\n");

  ASSERT_NO_FATAL_FAILURE(installFakePlayer("pw-play"));
  createSystemSoundPlayer()->playInBackground(wavPath_);
  EXPECT_EQ(takeRecord(), "pw-play\n" + wavPath_ + "\n");
}
#endif

TEST_F(SoundPlayerTest, MissingFileStartsNothing) {
  ASSERT_NO_FATAL_FAILURE(installFakePlayer(kPlayer));
  createSystemSoundPlayer()->playInBackground("c:" + wavPath_ + ".missing");
  EXPECT_EQ(takeRecord(500ms), "");
}

TEST_F(SoundPlayerTest, ReturnsAtOnceLeavingNoChildAndNoOutput) {
  ASSERT_NO_FATAL_FAILURE(installFakePlayer(kPlayer, 3));
  const std::string outPath = bin_.path() + "/out";
  const std::string errPath = bin_.path() + "/err";
  std::chrono::steady_clock::duration took{};
  std::string record;
  {
    RedirectedDescriptor out(STDOUT_FILENO, outPath, O_WRONLY | O_CREAT | O_TRUNC);
    RedirectedDescriptor err(STDERR_FILENO, errPath, O_WRONLY | O_CREAT | O_TRUNC);
    const auto start = std::chrono::steady_clock::now();
    createSystemSoundPlayer()->playInBackground(wavPath_);
    took = std::chrono::steady_clock::now() - start;
    record = takeRecord();  // the player has made its noise by now
  }
  EXPECT_LT(took, 1s);
  EXPECT_FALSE(record.empty());
  // The player is still running, yet this process has no child at all: the
  // intermediate process has been waited for and the player is not ours.
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_EQ(fileContents(outPath), "");
  EXPECT_EQ(fileContents(errPath), "");
}

}  // namespace
}  // namespace p2a
