// The start-up dialogue and port set-up.
#include "app/start_up.h"

#include <cstdint>
#include <optional>
#include <string>

#include "app/integer_text.h"

namespace p2a {

namespace {

constexpr Milliseconds kBoardStartUpPause{4000};

std::string askPort(Console& console) {
  for (;;) {
    console.write("Enter comm port to use (1-9)[5]: ");
    std::string port = console.readLine();
    if (port.empty()) port = "5";
    if (port.size() == 1 && parseInteger(port)) return port;
  }
}

int32_t askBaud(Console& console) {
  for (;;) {
    console.write("Enter baud rate[9600]:           ");
    std::string baud = console.readLine();
    if (baud.empty()) baud = "9600";
    if (std::optional<int32_t> value = parseInteger(baud)) return *value;
  }
}

void writeBaudHint(Console& console) {
  writeLine(console, "Enter the Arduino's baud rate such as:");
  writeLine(console, "1200\t2400\t4800\t9600");
  writeLine(console, "14400\t19200\t28800\t38400");
  writeLine(console, "56000\t57600");
  writeLine(console, "");
}

}  // namespace

void initializeComm(Console& console, Clock& clock, SerialPort& commPort,
                    ProcessExit& processExit) {
  std::string port = askPort(console);
  writeLine(console, "");
  writeBaudHint(console);
  int32_t baud = askBaud(console);

  if (!commPort.connect("COM" + port) || !commPort.configure(baud)) {
    writeLine(console, "Error opening serial communications with Arduino.");
    console.writeDetail(commPort.lastErrorText());
    processExit.endProgram(kFailureExitCode);
  }

  writeLine(console, "Waiting for arduino to initialize...");
  clock.pause(kBoardStartUpPause);
  commPort.purge();
  commPort.flush();
}

}  // namespace p2a
