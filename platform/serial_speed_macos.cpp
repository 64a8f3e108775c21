// Custom serial speeds on macOS: the IOSSIOSPEED request of the serial driver
// family, which sets input and output speed together.
#include <IOKit/serial/ioss.h>
#include <sys/ioctl.h>

#include "platform/serial_speed.h"

namespace p2a {

bool setCustomSpeed(int fd, int baud) {
  speed_t speed = static_cast<speed_t>(baud);
  return ::ioctl(fd, IOSSIOSPEED, &speed) == 0;
}

}  // namespace p2a
