// Setting a serial speed that termios has no B-constant for. Each operating
// system has its own way; the implementation is chosen by the build.
#pragma once

namespace p2a {

// Sets both input and output speed of the open serial device to `baud`
// (positive), leaving every other setting as it is. On failure returns false
// with errno set.
bool setCustomSpeed(int fd, int baud);

}  // namespace p2a
