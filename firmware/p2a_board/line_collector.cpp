// Splitting the received characters into lines; see line_collector.h.
#include "line_collector.h"

bool LineCollector::add(char received) {
  if (received == '\n') return false;
  if (received == '\r') {
    const bool fits = !overflowed_;
    lineLength_ = filled_;
    filled_ = 0;
    overflowed_ = false;
    return fits;
  }
  if (filled_ == kCapacity) {
    overflowed_ = true;
    return false;
  }
  buffer_[filled_++] = received;
  return false;
}
