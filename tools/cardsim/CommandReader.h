#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace cardsim {

// One command as the card's receiver cuts it from the byte stream.
struct ReceivedCommand {
    std::string text;       // without the carriage return
    bool dumpStop = false;  // the lone "M" that stops a running dump
    bool tooLong = false;   // the line outgrew the receive buffer; text holds its start
};

// Cuts commands out of the received bytes: text up to a carriage return; while a dump runs, an
// "M" at the start of a line is a command of its own. Line feeds are ignored.
class CommandReader {
  public:
    static constexpr std::size_t kMaxCommandLength = 64;

    std::optional<ReceivedCommand> Feed(char byte, bool dumpRunning);

  private:
    std::string pending_;
    bool overflow_ = false;
};

}  // namespace cardsim
