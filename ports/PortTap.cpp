#include "ports/PortTap.h"

#include <mutex>
#include <shared_mutex>

namespace {

std::shared_mutex& TapLock() {
    static std::shared_mutex lock;
    return lock;
}

PortTap* installedTap = nullptr;

}  // namespace

void InstallPortTap(PortTap* tap) {
    const std::unique_lock guard(TapLock());
    installedTap = tap;
}

void TapWritten(const std::string& portName, const std::string& data) {
    const std::shared_lock guard(TapLock());
    if (installedTap != nullptr) {
        installedTap->Written(portName, data);
    }
}

void TapReceived(const std::string& portName, const std::string& chunk) {
    const std::shared_lock guard(TapLock());
    if (installedTap != nullptr) {
        installedTap->Received(portName, chunk);
    }
}

void TapDropped(const std::string& portName, const std::string& data) {
    const std::shared_lock guard(TapLock());
    if (installedTap != nullptr) {
        installedTap->Dropped(portName, data);
    }
}
