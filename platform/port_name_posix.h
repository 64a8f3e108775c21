// Maps the port names the program is given ("COM" and one character, as the
// board's tools name them) to serial device paths on Linux and macOS.
//
// "COM<d>" becomes:
//   - $P2A_SERIAL_DIR/COM<d> when P2A_SERIAL_DIR is set and not empty (used to
//     point the program at pseudo-terminals or test links);
//   - otherwise the first existing of /dev/ttyACM<d>, /dev/ttyUSB<d> and
//     /dev/ttyS<d>;
//   - on macOS, when none of those exist, the first (in sorted order) match of
//     /dev/cu.usbmodem*<d>*, then of /dev/cu.usbserial*<d>*;
//   - when nothing exists, /dev/ttyACM<d>, so that opening it fails with a
//     "No such file or directory" text naming a sensible path.
// Any other name is returned unchanged.
#pragma once

#include <string>

namespace p2a {

std::string resolvePortName(const std::string& portName);

}  // namespace p2a
