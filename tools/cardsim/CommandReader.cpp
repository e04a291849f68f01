#include "tools/cardsim/CommandReader.h"

namespace cardsim {

std::optional<ReceivedCommand> CommandReader::Feed(char byte, bool dumpRunning) {
    if (byte == '\n') {
        return std::nullopt;
    }
    if (byte == 'M' && dumpRunning && pending_.empty() && !overflow_) {
        return ReceivedCommand{"M", true, false};
    }
    if (byte == '\r') {
        ReceivedCommand command{std::move(pending_), false, overflow_};
        pending_.clear();
        overflow_ = false;
        return command;
    }
    if (pending_.size() < kMaxCommandLength) {
        pending_.push_back(byte);
    } else {
        overflow_ = true;
    }
    return std::nullopt;
}

}  // namespace cardsim
