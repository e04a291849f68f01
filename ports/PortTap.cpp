#include "ports/PortTap.h"

#include <mutex>
#include <new>
#include <shared_mutex>
#include <vector>

namespace {

std::shared_mutex& TapLock() {
    static std::shared_mutex lock;
    return lock;
}

std::vector<PortTap*>& Taps() {
    static std::vector<PortTap*> taps;
    return taps;
}

// A tap that runs out of memory loses the event; the port goes on.
template <typename Call>
void CallTap(const Call& call) {
    const std::shared_lock guard(TapLock());
    for (PortTap* tap : Taps()) {
        try {
            call(*tap);
        } catch (const std::bad_alloc&) {
        }
    }
}

}  // namespace

void AddPortTap(PortTap* tap) {
    const std::unique_lock guard(TapLock());
    Taps().push_back(tap);
}

void RemovePortTap(PortTap* tap) {
    const std::unique_lock guard(TapLock());
    std::erase(Taps(), tap);
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
