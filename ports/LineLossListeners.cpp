#include "ports/LineLossListeners.h"

#include <algorithm>
#include <mutex>

void LineLossListeners::Add(LineLossListener* listener) {
    const std::unique_lock guard(lock_);
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
        listeners_.push_back(listener);
    }
}

void LineLossListeners::Remove(LineLossListener* listener) {
    const std::unique_lock guard(lock_);
    std::erase(listeners_, listener);
}

void LineLossListeners::LineLost(const std::string& portName, const std::string& devicePath) {
    const std::shared_lock guard(lock_);
    for (LineLossListener* listener : listeners_) {
        listener->LineLost(portName, devicePath);
    }
}
