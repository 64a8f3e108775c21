// Figures for the cost of talking to the board: the packet codec on its own,
// and one whole command exchange through the real serial port over a
// pseudo-terminal whose far end answers at once, as a board does.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "packet_link/packet_format.h"
#include "packet_link/packet_transport.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/process_exit.h"
#include "platform/serial_port.h"
#include "platform/trace.h"

namespace {

class DiscardingConsole : public p2a::Console {
 public:
  void write(std::string_view) override {}
  void writeDetail(std::string_view) override {}
  std::string readLine() override { return ""; }
};

void encodeAndDecode(benchmark::State& state) {
  DiscardingConsole console;
  p2a::Trace trace(console, false);
  std::string payload;
  for (auto _ : state) {
    std::string packet = p2a::p2a_i_encodePacket(trace, "1T");
    benchmark::DoNotOptimize(p2a::p2a_i_decodePacket(trace, packet, payload));
  }
}
BENCHMARK(encodeAndDecode);

// The board's side of the line: answers every CR-ended command with the
// keep-alive echo, at once and in one write.
class InstantBoard {
 public:
  InstantBoard() {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) std::abort();
    folder_ = std::filesystem::temp_directory_path() / ("p2a-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    std::filesystem::remove(folder_ / "COM7");
    std::filesystem::create_symlink(::ttyname(slave_), folder_ / "COM7");
    ::setenv("P2A_SERIAL_DIR", folder_.c_str(), 1);
    thread_ = std::thread([this] { answer(); });
  }
  ~InstantBoard() {
    running_ = false;
    thread_.join();
    ::close(master_);
    ::close(slave_);
    std::filesystem::remove_all(folder_);
  }

 private:
  void answer() {
    char buffer[256];
    while (running_) {
      pollfd watch{master_, POLLIN, 0};
      if (::poll(&watch, 1, 50) <= 0) continue;
      ssize_t count = ::read(master_, buffer, sizeof buffer);
      for (ssize_t i = 0; i < count; ++i) {
        if (buffer[i] == '\r' && ::write(master_, "1045\r\n", 6) != 6) std::abort();
      }
    }
  }

  int master_ = -1;
  int slave_ = -1;
  std::filesystem::path folder_;
  std::atomic<bool> running_{true};
  std::thread thread_;
};

void keepAliveExchange(benchmark::State& state) {
  InstantBoard board;
  DiscardingConsole console;
  p2a::Trace trace(console, state.range(0) != 0);
  std::unique_ptr<p2a::Clock> clock = p2a::createSystemClock();
  std::unique_ptr<p2a::ProcessExit> processExit = p2a::createSystemProcessExit();
  std::unique_ptr<p2a::SerialPort> port = p2a::createSystemSerialPort();
  if (!port->connect("COM7") || !port->configure(9600)) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  p2a::PacketTransport transport(*port, *clock, console, trace, *processExit);
  std::string payload;
  for (auto _ : state) {
    transport.p2a_sendStr("5");
    if (!transport.p2a_getStr(payload) || payload != "5") state.SkipWithError("bad answer");
  }
}
BENCHMARK(keepAliveExchange)->Arg(0)->Arg(1)->ArgName("traces")->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
