#include "ports/PortQueue.h"

#include <algorithm>
#include <new>
#include <thread>
#include <utility>

#include "ports/PortListener.h"
#include "ports/PortTap.h"

using platform::RecursiveGuard;

PortQueue::PortQueue(std::string portName) : portName_(std::move(portName)) {
    listeners_.reserve(kGrowthBlock);
}

PortQueue::~PortQueue() {
    Clear();
}

bool PortQueue::IsAttached(PortListener* listener) {
    const RecursiveGuard guard(lock_);
    return std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end();
}

bool PortQueue::AddListener(PortListener* listener) {
    const RecursiveGuard guard(lock_);
    try {
        if (listeners_.size() == listeners_.capacity()) {
            listeners_.reserve(listeners_.size() + kGrowthBlock);
        }
        listeners_.push_back(listener);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool PortQueue::RemoveListener(PortListener* listener) {
    {
        const RecursiveGuard guard(lock_);
        const auto found = std::find(listeners_.begin(), listeners_.end(), listener);
        if (found == listeners_.end()) {
            return false;
        }
        listeners_.erase(found);
    }
    std::unique_lock delivery(deliveryMutex_);
    deliveryDone_.wait(delivery, [&] {
        return delivering_ != listener || deliveringThread_ == std::this_thread::get_id();
    });
    return true;
}

std::size_t PortQueue::ListenerCount() {
    const RecursiveGuard guard(lock_);
    return listeners_.size();
}

bool PortQueue::Push(const std::string& data) {
    const RecursiveGuard guard(lock_);
    try {
        queue_.push_back(Entry{nextSerial_, data});
    } catch (const std::bad_alloc&) {
        return false;
    }
    ++nextSerial_;
    return true;
}

std::optional<PortQueue::Entry> PortQueue::Head() {
    const RecursiveGuard guard(lock_);
    if (queue_.empty()) {
        return std::nullopt;
    }
    return queue_.front();
}

void PortQueue::PopHead(std::uint64_t serial) {
    const RecursiveGuard guard(lock_);
    if (!queue_.empty() && queue_.front().serial == serial) {
        TapWritten(portName_, queue_.front().data);
        queue_.pop_front();
    }
}

void PortQueue::DropSentPrefix(std::uint64_t serial, std::size_t sentBytes) {
    const RecursiveGuard guard(lock_);
    if (!queue_.empty() && queue_.front().serial == serial) {
        auto& data = queue_.front().data;
        const std::size_t sent = std::min(sentBytes, data.size());
        if (sent > 0) {
            TapWritten(portName_, data.substr(0, sent));
        }
        data.erase(0, sent);
    }
}

void PortQueue::Clear() {
    Clear(Sent{});
}

void PortQueue::Clear(const Sent& lastSent) {
    const RecursiveGuard guard(lock_);
    for (const Entry& entry : queue_) {
        const std::size_t sent = entry.serial == lastSent.serial ? lastSent.bytes : 0;
        if (sent > 0) {
            TapWritten(portName_, entry.data.substr(0, sent));
        }
        if (sent < entry.data.size()) {
            TapDropped(portName_, entry.data.substr(sent));
        }
    }
    queue_.clear();
}

PortQueue::State PortQueue::Peek() {
    const RecursiveGuard guard(lock_);
    return State{queue_.empty(), !listeners_.empty()};
}

std::size_t PortQueue::QueuedCount() {
    const RecursiveGuard guard(lock_);
    return queue_.size();
}

std::int32_t PortQueue::Status() {
    const RecursiveGuard guard(lock_);
    const auto listenerCount = static_cast<std::int32_t>(listeners_.size());
    if (listenerCount == 0 && !queue_.empty()) {
        return 2;
    }
    return listenerCount;
}

void PortQueue::Deliver(const std::string& chunk) {
    TapReceived(portName_, chunk);
    std::vector<PortListener*> snapshot;
    try {
        const RecursiveGuard guard(lock_);
        snapshot = listeners_;
    } catch (const std::bad_alloc&) {
        return;
    }
    for (PortListener* listener : snapshot) {
        {
            // Still attached? Checked under the queue lock, so a Detach either comes
            // before (and the call is skipped) or waits for the call to finish.
            const RecursiveGuard guard(lock_);
            if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
                continue;
            }
            const std::lock_guard delivery(deliveryMutex_);
            delivering_ = listener;
            deliveringThread_ = std::this_thread::get_id();
        }
        listener->OnReceive(chunk);
        {
            const std::lock_guard delivery(deliveryMutex_);
            delivering_ = nullptr;
            deliveringThread_ = {};
        }
        deliveryDone_.notify_all();
    }
}
