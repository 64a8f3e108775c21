// Reading and checking the simulator's options.
#include "board_sim/command_line.h"

#include <set>
#include <stdexcept>

namespace p2a::board_sim {

namespace {

constexpr std::int64_t kLargestCommandNumber = 1'000'000'000;
constexpr std::int64_t kLongestLateMs = 600'000;

const std::set<std::string> kOptionsWithValue = {
    "--dir",           "--port",        "--timeline",
    "--late",          "--silent-from", "--bad-checksum-at",
    "--wrong-echo-at", "--garbage-at",  "--vanish-after"};

// A decimal number from `lowest` to `highest` given to `option`; throws otherwise.
std::int64_t parseNumber(const std::string& option, const std::string& text, std::int64_t lowest,
                         std::int64_t highest) {
  const std::invalid_argument error(option + " needs a whole number from " +
                                    std::to_string(lowest) + " to " + std::to_string(highest) +
                                    ", not \"" + text + "\"");
  if (text.empty() || text.size() > 10) throw error;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') throw error;
    value = value * 10 + (c - '0');
  }
  if (value < lowest || value > highest) throw error;
  return value;
}

}  // namespace

SimulatorOptions parseCommandLine(const std::vector<std::string>& arguments,
                                  const char* serialDirVariable) {
  SimulatorOptions options;
  options.folder = serialDirVariable != nullptr && serialDirVariable[0] != '\0'
                       ? serialDirVariable
                       : kDefaultPortFolder;
  std::set<std::string> seen;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& option = arguments[index];
    if (option == "-h" || option == "--help") {
      options.helpWanted = true;
      continue;
    }
    if (kOptionsWithValue.count(option) == 0) {
      throw std::invalid_argument(option.rfind("-", 0) == 0
                                      ? "unknown option " + option
                                      : "unexpected argument \"" + option + "\"");
    }
    if (!seen.insert(option).second) throw std::invalid_argument(option + " is given twice");
    if (index + 1 == arguments.size()) throw std::invalid_argument(option + " needs a value");
    const std::string& value = arguments[++index];

    if (option == "--dir") {
      if (value.empty()) throw std::invalid_argument("--dir needs a folder name");
      options.folder = value;
    } else if (option == "--port") {
      if (value.size() != 1 || value[0] < '0' || value[0] > '9') {
        throw std::invalid_argument("--port needs one digit 0 to 9, not \"" + value + "\"");
      }
      options.portDigit = value[0];
    } else if (option == "--timeline") {
      options.timeline = Timeline::parse(value);
    } else if (option == "--late") {
      options.faults.late =
          std::chrono::milliseconds(parseNumber(option, value, 0, kLongestLateMs));
    } else if (option == "--silent-from") {
      options.faults.silentFrom = parseNumber(option, value, 1, kLargestCommandNumber);
    } else if (option == "--bad-checksum-at") {
      options.faults.badChecksumAt = parseNumber(option, value, 1, kLargestCommandNumber);
    } else if (option == "--wrong-echo-at") {
      options.faults.wrongEchoAt = parseNumber(option, value, 1, kLargestCommandNumber);
    } else if (option == "--garbage-at") {
      options.faults.garbageAt = parseNumber(option, value, 1, kLargestCommandNumber);
    } else if (option == "--vanish-after") {
      options.faults.vanishAfter = parseNumber(option, value, 1, kLargestCommandNumber);
    }
  }
  return options;
}

std::string usageText() {
  return R"(Usage: p2a-board-sim [options]

Plays the board (switch, motion sensor, LED) on a pseudo-terminal linked as
DIR/COM<D>, so that the monitor runs without hardware:
  P2A_SERIAL_DIR=DIR p2a-monitor      and answer D to the port question.

Options:
  --dir DIR            folder of the link, created if missing
                       (default: $P2A_SERIAL_DIR, else /tmp/p2a-ports)
  --port D             port digit 0 to 9: the link is DIR/COM<D> (default 5)
  --timeline TEXT      drive the switch and motion by time, for example
                         "0:off 3:switch 6:switch+motion 20:off 25:end"
                       Each entry is SECONDS:STATE, the seconds counted from the
                       first command received (decimals such as 0.5 allowed,
                       strictly ascending). STATE sets both inputs exactly:
                       off, switch, motion or switch+motion; "end" stops the
                       simulator (exit status 0) and must come last. Before the
                       first entry both inputs are off.
  --late MS            hold every answer back MS milliseconds (0 to 600000)
  --silent-from N      answer nothing from the N-th command on
  --bad-checksum-at N  send the N-th answer with a wrong checksum character
  --wrong-echo-at N    answer the N-th command as if it were the next command
                       (switch? is answered as motion?, keep-alive as switch?)
  --garbage-at N       send a line of junk bytes instead of the N-th answer
  --vanish-after N     once the N-th answer is sent (and read, or 2 s passed),
                       remove the link and close the port, so the monitor sees
                       the device vanish; then exit with status 0
  -h, --help           show this text

Commands are numbered from 1 in the order they arrive, refused ones included.
When several faults name the same command, only the first of silent, garbage,
wrong echo and bad checksum applies.

Without --timeline, when standard input is the terminal in the foreground, keys
drive the board: s toggles the switch, m toggles motion, q quits; a status line
shows the inputs, the LED and the last command. Otherwise both inputs stay off.

Every exchange is logged on standard error. A command packet that fails the
checks (bad checksum, wrong length field, unknown command) is logged and gets
no answer at all, so the monitor times out waiting for it.

SIGINT, SIGTERM and SIGHUP stop the simulator cleanly: the link is removed.
Exit status: 0 after a clean stop, 1 when the port cannot be set up, 2 for
bad options.
)";
}

}  // namespace p2a::board_sim
