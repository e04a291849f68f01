#pragma once

#include <cstdint>

#include "ports/DroppedStrings.h"

class InstrumentLink;

// Whether the command whose reply the window waited for never reached the line: the link had
// no line to write it to, or the port dropped it unsent (a hang-up drops the write queue).
class CommandDelivery {
  public:
    // With the command just handed to the link.
    void WaitBegins(const InstrumentLink& link);
    // When no reply came.
    void WaitTimedOut(const InstrumentLink& link);
    // Of the last wait: false when a reply came.
    bool Unsent() const { return unsent_; }

  private:
    DroppedStrings dropped_;
    bool written_ = false;
    std::uint64_t droppedBefore_ = 0;
    bool unsent_ = false;
};
