#pragma once

#include <cstdint>
#include <string>

// The main window's timed reply wait, as the dialogs that talk to the card see it.
class ReplyWaiter {
  public:
    // Reads the link's replies until one arrives or timeout milliseconds pass, sleeping
    // between received bytes; empty text means none.
    virtual std::string WaitForReply(std::uint32_t timeout) = 0;

  protected:
    ~ReplyWaiter() = default;
};
