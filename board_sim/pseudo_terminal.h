// The pseudo-terminal the board sits on, and the link DIR/COM<d> that points
// the monitor at its slave side.
//
// The simulator keeps a descriptor of the slave side open itself: reading the
// master side then never fails while no monitor is attached, and a monitor
// that exits and starts again finds the same device. Both descriptors are
// closed on exec. The slave side starts raw.
#pragma once

#include <cstddef>
#include <string>

#include "board_sim/file_descriptor.h"

namespace p2a::board_sim {

class PseudoTerminal {
 public:
  // Opens the pseudo-terminal and links `linkPath` to its slave side. A link
  // already at `linkPath` is replaced; anything else there is left alone and
  // refused. Throws std::system_error or std::runtime_error on failure.
  explicit PseudoTerminal(std::string linkPath);
  ~PseudoTerminal();

  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Non-blocking; the board reads commands from it and writes answers to it.
  int master() const { return master_.get(); }
  const std::string& slavePath() const { return slavePath_; }
  const std::string& linkPath() const { return linkPath_; }
  bool replacedStaleLink() const { return replacedStaleLink_; }

  // Bytes written to the master side that the other side has not read yet.
  std::size_t unreadByOtherSide() const;

  // Ends the exclusive mode a monitor may have left on the terminal.
  void clearExclusiveMode();

  // Removes the link (when it is still ours) and closes both sides: a monitor
  // attached sees the device hang up. Done by the destructor too.
  void close();

 private:
  void createLink();

  FileDescriptor master_;
  FileDescriptor slave_;
  std::string slavePath_;
  std::string linkPath_;
  bool replacedStaleLink_ = false;
};

}  // namespace p2a::board_sim
