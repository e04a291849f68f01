#include "trace/TraceQueue.h"

#include <utility>

namespace trace {

TraceQueue::TraceQueue(std::size_t capacity) : capacity_(capacity) {}

bool TraceQueue::Push(TraceEvent event) {
    {
        const std::lock_guard guard(mutex_);
        if (events_.size() >= capacity_) {
            ++dropped_;
            ++droppedUntaken_;
            return false;
        }
        events_.push_back(std::move(event));
        ++accepted_;
    }
    ready_.notify_one();
    return true;
}

TraceQueue::Batch TraceQueue::Take(std::optional<std::chrono::steady_clock::time_point> deadline) {
    std::unique_lock lock(mutex_);
    const auto hasWork = [this] { return !events_.empty() || droppedUntaken_ > 0 || stopped_; };
    if (deadline) {
        ready_.wait_until(lock, *deadline, hasWork);
    } else {
        ready_.wait(lock, hasWork);
    }
    Batch batch;
    batch.events.assign(std::make_move_iterator(events_.begin()),
                        std::make_move_iterator(events_.end()));
    events_.clear();
    batch.droppedSinceLast = std::exchange(droppedUntaken_, 0);
    batch.stopped = stopped_;
    return batch;
}

void TraceQueue::Stop() {
    {
        const std::lock_guard guard(mutex_);
        stopped_ = true;
    }
    ready_.notify_all();
}

std::uint64_t TraceQueue::AcceptedCount() {
    const std::lock_guard guard(mutex_);
    return accepted_;
}

std::uint64_t TraceQueue::DroppedCount() {
    const std::lock_guard guard(mutex_);
    return dropped_;
}

}  // namespace trace
