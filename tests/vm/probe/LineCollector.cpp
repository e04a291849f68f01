#include "tests/vm/probe/LineCollector.h"

void LineCollector::OnReceive(const std::string& chunk) {
    {
        const std::lock_guard lock(mutex_);
        received_ += chunk;
    }
    changed_.notify_all();
}

bool LineCollector::WaitForLineFeed(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout,
                             [this] { return received_.find('\n') != std::string::npos; });
}

std::string LineCollector::Received() {
    const std::lock_guard lock(mutex_);
    return received_;
}
