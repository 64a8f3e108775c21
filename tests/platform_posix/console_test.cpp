// The console on the process's real standard descriptors, each pointed at a
// file for the duration of the check.
#include "platform/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "redirected_descriptor.h"
#include "temporary_directory.h"

namespace p2a {
namespace {

using namespace std::string_literals;
using testing::fileContents;
using testing::RedirectedDescriptor;
using testing::TemporaryDirectory;

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(directory_.path().empty()); }

  std::string pathOf(const std::string& name) const { return directory_.path() + "/" + name; }

  TemporaryDirectory directory_;
};

TEST_F(ConsoleTest, WritesOutputUnchangedAndDetailToStandardError) {
  const std::string output = "line\r\nbare\nnul\0\x1A\xFF end"s;
  {
    RedirectedDescriptor out(STDOUT_FILENO, pathOf("out"), O_WRONLY | O_CREAT | O_TRUNC);
    RedirectedDescriptor err(STDERR_FILENO, pathOf("err"), O_WRONLY | O_CREAT | O_TRUNC);
    auto console = createSystemConsole();
    console->write(output);
    console->writeDetail("port: Input/output error");
    console->write("after");
  }
  EXPECT_EQ(fileContents(pathOf("out")), output + "after");
  EXPECT_EQ(fileContents(pathOf("err")), "port: Input/output error\r\n");
}

TEST_F(ConsoleTest, ReadsLinesFromStandardInput) {
  std::ofstream(pathOf("in")) << "COM7\r\n9600\nlast";
  std::vector<std::string> lines;
  {
    RedirectedDescriptor in(STDIN_FILENO, pathOf("in"), O_RDONLY);
    auto console = createSystemConsole();
    for (int i = 0; i < 4; ++i) lines.push_back(console->readLine());
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"COM7", "9600", "last", ""}));
}

}  // namespace
}  // namespace p2a
