// Runs the built firmware (build/firmware/p2a_board.elf) on a simulated
// ATmega328P and checks whole exchanges: command lines typed into the serial
// receiver at 9600 baud, the answers the board sends back, and the LED pin,
// with the switch and the motion sensor inputs set per step. Prints each
// failure and a closing count; exits non-zero when anything failed.
#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

const uint32_t kClockHz = 16000000;
const avr_cycle_count_t kCyclesPerMs = kClockHz / 1000;
const avr_cycle_count_t kByteCycles = kClockHz * 10 / 9600;  // start, 8 data, stop bits
const int kBootMs = 100;
// A whole answer (at most 7 characters, about 7.3 ms on the wire) must be out
// within this time after the command's last character.
const int kAnswerWithinMs = 20;

// Pins as the sketch names them: D2 = PD2, D3 = PD3, D13 = PB5.
const int kSwitchBit = 2;
const int kMotionBit = 3;
const int kLedBit = 5;

// ATmega328P data addresses of the registers read after boot.
const uint16_t kDdrB = 0x24;
const uint16_t kDdrD = 0x2A;
const uint16_t kPortD = 0x2B;
const uint16_t kUcsr0A = 0xC0;
const uint16_t kUcsr0C = 0xC2;
const uint16_t kUbrr0L = 0xC4;
const uint16_t kUbrr0H = 0xC5;
const uint8_t kDoubleSpeedBit = 0x02;     // U2X0 in UCSR0A
const uint8_t kEightDataNoParityOneStop = 0x06;  // UCSR0C

struct Board {
  avr_t* avr = nullptr;
  avr_irq_t* serialInput = nullptr;
  avr_irq_t* switchPin = nullptr;
  avr_irq_t* motionPin = nullptr;
  std::string sent;
  bool ledLit = false;
};

void collectSentByte(avr_irq_t*, uint32_t value, void* param) {
  static_cast<Board*>(param)->sent += static_cast<char>(value);
}

void followLed(avr_irq_t*, uint32_t value, void* param) {
  static_cast<Board*>(param)->ledLit = value != 0;
}

// Passes the simulator's errors and warnings on; drops its progress notes.
void logProblems(avr_t*, const int level, const char* format, va_list arguments) {
  if (level == LOG_ERROR || level == LOG_WARNING) std::vfprintf(stderr, format, arguments);
}

bool runFor(Board& board, avr_cycle_count_t cycles) {
  const avr_cycle_count_t end = board.avr->cycle + cycles;
  while (board.avr->cycle < end) {
    const int state = avr_run(board.avr);
    if (state == cpu_Done || state == cpu_Crashed) return false;
  }
  return true;
}

bool startBoard(const char* elfPath, Board& board) {
  avr_global_logger_set(logProblems);
  elf_firmware_t firmware = {};
  if (elf_read_firmware(elfPath, &firmware) != 0) return false;
  board.avr = avr_make_mcu_by_name("atmega328p");
  if (board.avr == nullptr) return false;
  avr_init(board.avr);
  board.avr->frequency = kClockHz;
  avr_load_firmware(board.avr, &firmware);

  uint32_t uartFlags = 0;
  avr_ioctl(board.avr, AVR_IOCTL_UART_GET_FLAGS('0'), &uartFlags);
  uartFlags &= ~AVR_UART_FLAG_STDIO;
  avr_ioctl(board.avr, AVR_IOCTL_UART_SET_FLAGS('0'), &uartFlags);

  board.serialInput = avr_io_getirq(board.avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
  board.switchPin = avr_io_getirq(board.avr, AVR_IOCTL_IOPORT_GETIRQ('D'), kSwitchBit);
  board.motionPin = avr_io_getirq(board.avr, AVR_IOCTL_IOPORT_GETIRQ('D'), kMotionBit);
  avr_irq_register_notify(avr_io_getirq(board.avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                          collectSentByte, &board);
  avr_irq_register_notify(avr_io_getirq(board.avr, AVR_IOCTL_IOPORT_GETIRQ('B'), kLedBit),
                          followLed, &board);
  return runFor(board, kBootMs * kCyclesPerMs);
}

bool bitSet(const Board& board, uint16_t address, int bit) {
  return (board.avr->data[address] >> bit) & 1;
}

// The serial speed the receiver is set to, from UBRR0 and U2X0.
double serialBaud(const Board& board) {
  const unsigned divisor = board.avr->data[kUbrr0L] | (board.avr->data[kUbrr0H] << 8);
  const bool doubleSpeed = board.avr->data[kUcsr0A] & kDoubleSpeedBit;
  return double(kClockHz) / ((doubleSpeed ? 8 : 16) * (divisor + 1.0));
}

struct SetUpCheck {
  std::string what;
  bool holds;
};

// One step: set the inputs, type `received` into the board one character per
// character time, wait kAnswerWithinMs, then compare what came back and the LED.
struct Step {
  const char* what;
  bool switchClosed;
  bool motion;
  std::string received;
  std::string answer;
  bool ledLit;
};

const std::string kOverlongLine(33, 'A');

const Step kSteps[] = {
    {"switch query, switch open", false, false, "5041\r", "r051F\r\n", false},
    {"switch query, switch closed", true, false, "5041\r", "`051T\r\n", false},
    {"motion query, motion", true, true, "6042\r", "c052T\r\n", false},
    {"motion query, no motion", true, false, "6042\r", "q052F\r\n", false},
    {"LED on", true, true, "7043\r", "7043\r\n", true},
    {"keep-alive leaves the LED", true, true, "1045\r", "1045\r\n", true},
    {"LED off", true, false, "0044\r", "0044\r\n", false},
    {"wrong checksum: no answer", true, false, "6041\r", "", false},
    {"unknown command 9: no answer", true, false, "=049\r", "", false},
    {"two-character payload: no answer", true, false, "`051T\r", "", false},
    {"empty line: no answer", true, false, "\r", "", false},
    {"overlong line: no answer", true, false, kOverlongLine + "\r", "", false},
    {"next line after the overlong one, LF ignored", true, false, "5041\r\n", "`051T\r\n", false},
    {"no CR yet: no answer", true, false, "5041", "", false},
    {"the CR completes it", true, false, "\r", "`051T\r\n", false},
};

std::string shown(const std::string& text) {
  std::string result;
  for (unsigned char c : text) {
    if (c == '\r') {
      result += "\\r";
    } else if (c == '\n') {
      result += "\\n";
    } else {
      result += static_cast<char>(c);
    }
  }
  return result;
}

struct Tally {
  int passed = 0;
  int failed = 0;
};

void checkSetUp(const Board& board, Tally& tally) {
  const double baud = serialBaud(board);
  const SetUpCheck checks[] = {
      {"switch pin is an input with pull-up",
       !bitSet(board, kDdrD, kSwitchBit) && bitSet(board, kPortD, kSwitchBit)},
      {"motion pin is an input without pull-up",
       !bitSet(board, kDdrD, kMotionBit) && !bitSet(board, kPortD, kMotionBit)},
      {"LED pin is an output", bitSet(board, kDdrB, kLedBit)},
      {"serial line is 8N1", board.avr->data[kUcsr0C] == kEightDataNoParityOneStop},
      {"serial speed is 9600 baud within 2% (set: " + std::to_string(std::lround(baud)) + ")",
       baud > 9600 * 0.98 && baud < 9600 * 1.02},
  };
  for (const SetUpCheck& check : checks) {
    if (check.holds) {
      ++tally.passed;
    } else {
      ++tally.failed;
      std::printf("FAILED after boot: %s\n", check.what.c_str());
    }
  }
}

void checkStep(Board& board, const Step& step, Tally& tally) {
  avr_raise_irq(board.switchPin, step.switchClosed ? 0 : 1);
  avr_raise_irq(board.motionPin, step.motion ? 1 : 0);
  board.sent.clear();
  bool running = true;
  for (char c : step.received) {
    avr_raise_irq(board.serialInput, static_cast<uint8_t>(c));
    running = running && runFor(board, kByteCycles);
  }
  running = running && runFor(board, kAnswerWithinMs * kCyclesPerMs);
  if (running && board.sent == step.answer && board.ledLit == step.ledLit) {
    ++tally.passed;
    return;
  }
  ++tally.failed;
  std::printf("FAILED %s: sent \"%s\" (expected \"%s\"), LED %s (expected %s)%s\n", step.what,
              shown(board.sent).c_str(), shown(step.answer).c_str(), board.ledLit ? "on" : "off",
              step.ledLit ? "on" : "off", running ? "" : ", the board stopped");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FIRMWARE.elf\n", argv[0]);
    return 2;
  }
  Board board;
  if (!startBoard(argv[1], board)) {
    std::printf("FAILED: the firmware %s did not start\n", argv[1]);
    return 1;
  }
  Tally tally;
  checkSetUp(board, tally);
  for (const Step& step : kSteps) checkStep(board, step, tally);
  std::printf("firmware-simulation: %d passed, %d failed\n", tally.passed, tally.failed);
  return tally.failed == 0 ? 0 : 1;
}
