// Collects the characters received from the PC into command lines. A CR ends
// a line; LF is ignored wherever it appears. A line longer than the buffer is
// dropped whole, up to and including its CR. Plain C++ without Arduino, so the
// host check (firmware/test) builds the same code.
#ifndef P2A_LINE_COLLECTOR_H
#define P2A_LINE_COLLECTOR_H

#include <stddef.h>

class LineCollector {
 public:
  // Longest line kept; longer lines are dropped.
  static const size_t kCapacity = 32;

  // Takes one received character. Returns true when it was the CR that ended
  // a line that fits; that line is then in text() and length() until the
  // next call.
  bool add(char received);

  const char* text() const { return buffer_; }
  size_t length() const { return lineLength_; }

 private:
  char buffer_[kCapacity] = {};
  size_t filled_ = 0;
  size_t lineLength_ = 0;
  bool overflowed_ = false;
};

#endif
