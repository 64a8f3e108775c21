// Start-up: the console dialogue for the port digit and the baud rate, then
// opening and configuring the port and waiting for the board to come up.
#pragma once

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/process_exit.h"
#include "platform/serial_port.h"

namespace p2a {

// On return `commPort` is open, configured, purged and flushed. When the port
// cannot be opened or configured the program ends with a message.
void initializeComm(Console& console, Clock& clock, SerialPort& commPort,
                    ProcessExit& processExit);

}  // namespace p2a
