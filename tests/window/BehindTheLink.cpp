#include "BehindTheLink.h"

#include <chrono>
#include <utility>

#include "ports/PortManager.h"

namespace windowtest {

BehindTheLink::BehindTheLink(std::string portName) : portName_(std::move(portName)) {
    attached_ = GetPortManager()->Open(portName_, this) != nullptr;
}

BehindTheLink::~BehindTheLink() {
    GetPortManager()->Close(portName_, this);
}

void BehindTheLink::OnReceive(const std::string& chunk) {
    const std::lock_guard guard(lock_);
    bytes_ += chunk.size();
    arrived_.notify_all();
}

bool BehindTheLink::WaitForBytes(std::size_t count) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, std::chrono::seconds(10), [&] { return bytes_ >= count; });
}

}  // namespace windowtest
