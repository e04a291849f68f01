#include "ports/ParallelPort.h"

#include <fcntl.h>

#include <new>

#include "platform/DeviceIo.h"
#include "ports/DevicePath.h"

using platform::RecursiveGuard;

ParallelPort::ParallelPort(std::string name) : queue_(name), name_(std::move(name)) {
    thread_.Start(platform::ThreadPriority::Lowest, [this] { return Pass(); });
}

ParallelPort::~ParallelPort() {
    thread_.Stop();
    const RecursiveGuard device(deviceLock_);
    CloseDevice();
}

bool ParallelPort::Write(const std::string& data) {
    const RecursiveGuard guard(queue_.Lock());
    if (!deviceOpen_.load()) {
        return false;
    }
    if (!queue_.Push(data)) {
        return false;
    }
    thread_.Wake();
    return true;
}

bool ParallelPort::Attach(PortListener* listener) {
    const RecursiveGuard guard(queue_.Lock());
    if (queue_.IsAttached(listener)) {
        return true;
    }
    if (!deviceOpen_.load() && !OpenDevice()) {
        return false;
    }
    if (!queue_.AddListener(listener)) {
        thread_.Wake();  // a device opened just now is closed again by the next pass
        return false;
    }
    return true;
}

bool ParallelPort::Detach(PortListener* listener) {
    const bool removed = queue_.RemoveListener(listener);
    thread_.Wake();  // auto-close may be due
    return removed;
}

void ParallelPort::GetSettings(std::string& out) {
    const RecursiveGuard device(deviceLock_);
    if (deviceOpen_.load()) {
        try {
            out = settings_;
        } catch (const std::bad_alloc&) {
        }
    }
}

bool ParallelPort::Configure(const std::string& settings) {
    if (!timeoutFlag_) {
        return true;
    }
    std::string stored;
    try {
        stored = settings;
    } catch (const std::bad_alloc&) {
        return false;
    }
    const RecursiveGuard guard(queue_.Lock());
    const RecursiveGuard device(deviceLock_);
    if (!deviceOpen_.load()) {
        return false;
    }
    queue_.Clear(lastSent_);
    settings_ = std::move(stored);
    return true;
}

std::int32_t ParallelPort::GetStatus() {
    return queue_.Status();
}

std::string ParallelPort::GetTypeName() {
    return "Serial Port";
}

// Called with the queue lock held. Non-blocking, so that a printer that is not ready
// delays the string to a later pass instead of holding the thread.
bool ParallelPort::OpenDevice() {
    const RecursiveGuard device(deviceLock_);
    std::string path;
    try {
        path = DevicePathForPortName(name_);
    } catch (const std::exception&) {
        return false;
    }
    if (!device_.Open(path, O_WRONLY | O_NONBLOCK)) {
        return false;
    }
    deviceOpen_.store(true);
    return true;
}

void ParallelPort::CloseDevice() {
    const RecursiveGuard device(deviceLock_);
    device_.Close();
    deviceOpen_.store(false);
}

bool ParallelPort::Pass() {
    return pass_.Run(
        thread_, queue_, [this] { return TransmitHead(); }, [this] { AutoCloseIfUnused(); });
}

bool ParallelPort::TransmitHead() {
    const auto head = queue_.Head();
    if (!head) {
        return true;
    }
    platform::WriteResult result;
    {
        const RecursiveGuard device(deviceLock_);
        if (!device_.IsOpen()) {
            return false;
        }
        result = platform::WriteSome(device_.Fd(), head->data);
        lastSent_ = {head->serial, result.written};
    }
    if (result.complete) {
        queue_.PopHead(head->serial);
        return true;
    }
    queue_.DropSentPrefix(head->serial, result.written);
    return false;
}

void ParallelPort::AutoCloseIfUnused() {
    const RecursiveGuard guard(queue_.Lock());
    const PortQueue::State state = queue_.Peek();
    if (!state.queueEmpty || state.hasListener) {
        return;
    }
    CloseDevice();
}
