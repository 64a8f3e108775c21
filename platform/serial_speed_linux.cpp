// Custom serial speeds on Linux: the termios2 interface with BOTHER, which
// takes the speed as a plain number. The kernel headers used here clash with
// <termios.h>, so this file includes neither <termios.h> nor <sys/ioctl.h> and
// declares ioctl itself.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include "platform/serial_speed.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace p2a {

bool setCustomSpeed(int fd, int baud) {
  struct termios2 settings {};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  settings.c_ispeed = static_cast<speed_t>(baud);
  settings.c_ospeed = static_cast<speed_t>(baud);
  return ioctl(fd, TCSETS2, &settings) == 0;
}

}  // namespace p2a
