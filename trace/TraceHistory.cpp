#include "trace/TraceHistory.h"

#include <utility>

namespace trace {

TraceHistory::TraceHistory(std::size_t capacity) : capacity_(capacity) {}

void TraceHistory::Add(const std::string& line) {
    const std::lock_guard guard(mutex_);
    lines_.push_back(line);
    if (lines_.size() > capacity_) {
        lines_.pop_front();
    }
    for (const auto& [id, observer] : observers_) {
        observer(line);
    }
}

void TraceHistory::Clear() {
    const std::lock_guard guard(mutex_);
    lines_.clear();
}

std::vector<std::string> TraceHistory::Lines() {
    const std::lock_guard guard(mutex_);
    return {lines_.begin(), lines_.end()};
}

TraceHistory::Subscription TraceHistory::Subscribe(Observer observer) {
    const std::lock_guard guard(mutex_);
    const int id = nextId_++;
    observers_.emplace(id, std::move(observer));
    return {id, {lines_.begin(), lines_.end()}};
}

void TraceHistory::Unsubscribe(int id) {
    const std::lock_guard guard(mutex_);
    observers_.erase(id);
}

}  // namespace trace
