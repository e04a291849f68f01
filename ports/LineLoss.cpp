#include "ports/LineLoss.h"

#include <mutex>
#include <shared_mutex>

#include "ports/PortManager.h"
#include "ports/PortManagerImpl.h"

namespace {

std::shared_mutex& ListenerLock() {
    static std::shared_mutex lock;
    return lock;
}

LineLossListener* installedListener = nullptr;

}  // namespace

void InstallLineLossListener(LineLossListener* listener) {
    const std::unique_lock guard(ListenerLock());
    installedListener = listener;
}

void NotifyLineLost(const std::string& portName, const std::string& devicePath) {
    const std::shared_lock guard(ListenerLock());
    if (installedListener != nullptr) {
        installedListener->LineLost(portName, devicePath);
    }
}

bool ReopenLine(const std::string& portName) {
    return static_cast<PortManagerImpl*>(GetPortManager())->ReopenSerialPort(portName);
}
