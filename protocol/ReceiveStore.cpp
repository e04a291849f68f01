#include "protocol/ReceiveStore.h"

namespace {

constexpr char kLineFeed = '\n';

}  // namespace

bool ReceiveStore::Put(char byte) {
    if (resynchronising_ && byte == kLineFeed) {
        if (lastStoredWasLineFeed_) {
            resynchronising_ = false;
            ++droppedCount_;
            return false;
        }
        if (StoreAt(byte)) {
            resynchronising_ = false;
            return true;
        }
    }
    if (!resynchronising_ && StoreAt(byte)) {
        return true;
    }
    resynchronising_ = true;
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

void ReceiveStore::DiscardUnread() {
    readPosition_ = writePosition_;
    resynchronising_ = false;
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
