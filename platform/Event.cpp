#include "platform/Event.h"

#include <chrono>

namespace platform {

Event::Event(Mode mode, bool initiallySet) : mode_(mode), set_(initiallySet) {}

void Event::Set() {
    {
        const std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

void Event::Reset() {
    const std::lock_guard lock(mutex_);
    set_ = false;
}

bool Event::Wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    const bool wasSet =
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; });
    if (wasSet && mode_ == Mode::AutoReset) {
        set_ = false;
    }
    return wasSet;
}

bool Event::IsSet() const {
    const std::lock_guard lock(mutex_);
    return set_;
}

}  // namespace platform
