#include "ports/PortTap.h"

#include <mutex>
#include <new>
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

// A tap that runs out of memory loses the event; the port goes on.
void TapWritten(const std::string& portName, const std::string& data) {
    const std::shared_lock guard(TapLock());
    try {
        if (installedTap != nullptr) {
            installedTap->Written(portName, data);
        }
    } catch (const std::bad_alloc&) {
    }
}

void TapDropped(const std::string& portName, const std::string& data) {
    const std::shared_lock guard(TapLock());
    try {
        if (installedTap != nullptr) {
            installedTap->Dropped(portName, data);
        }
    } catch (const std::bad_alloc&) {
    }
}

void TapReceived(const std::string& portName, const std::string& chunk) {
    const std::shared_lock guard(TapLock());
    try {
        if (installedTap != nullptr) {
            installedTap->Received(portName, chunk);
        }
    } catch (const std::bad_alloc&) {
    }
}
