#include "protocol/ReceiveStore.h"

namespace {

constexpr char kLineFeed = '\n';

}  // namespace

bool ReceiveStore::Put(char byte) {
    if (lineFeedOwed_ && StoreAt(kLineFeed)) {
        lineFeedOwed_ = false;
    }
    const bool dropping = resynchronising_ || lineFeedOwed_;
    if (!dropping && StoreAt(byte)) {
        return true;
    }
    if (byte != kLineFeed) {
        resynchronising_ = true;
        ++droppedCount_;
        return false;
    }
    // This line feed ends a line that lost bytes; the next line is stored again. The line cut
    // by the overflow gets its end now, or as soon as there is room for it.
    resynchronising_ = false;
    if (!lastStoredWasLineFeed_ && !lineFeedOwed_ && StoreAt(byte)) {
        return true;
    }
    lineFeedOwed_ = !lastStoredWasLineFeed_;
    ++droppedCount_;
    return false;
}

bool ReceiveStore::Take(char& byte) {
    if (readPosition_ == writePosition_) {
        return false;
    }
    byte = bytes_[readPosition_ & (kCapacity - 1)];
    ++readPosition_;
    return true;
}

void ReceiveStore::TakeAll(std::string& out) {
    out.reserve(out.size() + Unread());
    for (; readPosition_ != writePosition_; ++readPosition_) {
        out.push_back(bytes_[readPosition_ & (kCapacity - 1)]);
    }
    DiscardUnread();
}

void ReceiveStore::DiscardUnread() {
    readPosition_ = writePosition_;
    resynchronising_ = false;
    lineFeedOwed_ = false;
    lastStoredWasLineFeed_ = true;
}

bool ReceiveStore::StoreAt(char byte) {
    if (Unread() == kCapacity) {
        return false;
    }
    bytes_[writePosition_ & (kCapacity - 1)] = byte;
    ++writePosition_;
    lastStoredWasLineFeed_ = byte == kLineFeed;
    return true;
}
