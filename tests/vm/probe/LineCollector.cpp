#include "tests/vm/probe/LineCollector.h"

#include <algorithm>

void LineCollector::OnReceive(const std::string& chunk) {
    {
        const std::lock_guard lock(mutex_);
        received_ += chunk;
    }
    changed_.notify_all();
}

bool LineCollector::WaitForLines(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this, count] {
        return static_cast<std::size_t>(std::count(received_.begin(), received_.end(), '\n')) >=
               count;
    });
}

std::string LineCollector::Received() {
    const std::lock_guard lock(mutex_);
    return received_;
}
