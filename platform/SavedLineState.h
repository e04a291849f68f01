#pragma once

#include <termios.h>

#include <optional>

namespace platform {

// A serial line's settings and modem lines as a program found them, to be put back when it
// lets the line go: the next user (a getty, a terminal program) finds what it left.
class SavedLineState {
  public:
    // Reads without changing anything on the line.
    void Save(int fd);
    // Puts back what Save read, then forgets it.
    void Restore(int fd);

  private:
    std::optional<termios> attributes_;
    std::optional<int> modemLines_;
};

}  // namespace platform
