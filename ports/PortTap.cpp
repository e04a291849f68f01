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

// A tap that runs out of memory loses the event; the port goes on.
template <typename Call>
void CallTap(const Call& call) {
    const std::shared_lock guard(TapLock());
    try {
        if (installedTap != nullptr) {
            call(*installedTap);
        }
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

void InstallPortTap(PortTap* tap) {
    const std::unique_lock guard(TapLock());
    installedTap = tap;
}

void TapWritten(const std::string& portName, const std::string& data) {
    CallTap([&](PortTap& tap) { tap.Written(portName, data); });
}

void TapDropped(const std::string& portName, const std::string& data) {
    CallTap([&](PortTap& tap) { tap.Dropped(portName, data); });
}

void TapReceived(const std::string& portName, const std::string& chunk) {
    CallTap([&](PortTap& tap) { tap.Received(portName, chunk); });
}
