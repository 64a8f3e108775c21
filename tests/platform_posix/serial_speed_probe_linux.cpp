// Speed read-back on Linux through termios2. Like the code under test, this
// file keeps the kernel headers away from <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include "serial_speed_probe.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace p2a::testing {

bool readSerialSpeeds(int fd, SerialSpeeds& speeds) {
  struct termios2 settings {};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  speeds.input = settings.c_ispeed;
  speeds.output = settings.c_ospeed;
  return true;
}

}  // namespace p2a::testing
