// Test helper: reads back the input and output speed of a serial device as
// plain numbers, including speeds that have no termios constant.
#pragma once

namespace p2a::testing {

struct SerialSpeeds {
  unsigned input = 0;
  unsigned output = 0;
};

// False (with errno set) when the device cannot be queried.
bool readSerialSpeeds(int fd, SerialSpeeds& speeds);

}  // namespace p2a::testing
