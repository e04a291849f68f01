#include "ports/PortThread.h"

#include <array>
#include <new>
#include <thread>
#include <utility>

#include "platform/DeviceIo.h"

using platform::Readiness;

namespace {

thread_local bool onPortThread = false;
constexpr auto kOutOfMemoryPause = std::chrono::milliseconds(10);

// A pass that runs out of memory is run again a little later.
bool RunPass(const std::function<bool()>& pass) {
    try {
        return pass();
    } catch (const std::bad_alloc&) {
        std::this_thread::sleep_for(kOutOfMemoryPause);
        return true;
    }
}

}  // namespace

bool PortThread::IsAnyPortThread() {
    return onPortThread;
}

PortThread::PortThread() = default;

PortThread::~PortThread() {
    Stop();
}

void PortThread::Start(platform::ThreadPriority priority, std::function<bool()> pass) {
    if (!stop_.IsValid() || !wake_.IsValid() || !ended_.IsValid()) {
        return;
    }
    running_.fetch_add(1);
    started_ = worker_.Start(priority, [this, pass = std::move(pass)] {
        onPortThread = true;
        while (RunPass(pass)) {
        }
        running_.fetch_sub(1);
        ended_.Set();
    });
    if (!started_) {
        running_.fetch_sub(1);
    }
}

std::optional<PortThread::Woken> PortThread::Wait(const WaitFor& what) {
    const std::array<int, 4> fds{stop_.PollFd(), wake_.PollFd(), what.inputFd, what.eventFd};
    std::array<Readiness, 4> readiness{};
    platform::WaitForReadable(fds, readiness, what.deadline);
    wakeCount_.fetch_add(1);
    if (readiness[0].Any() && stop_.Wait(0)) {
        return std::nullopt;
    }
    if (readiness[1].Any()) {
        wake_.Reset();
    }
    return Woken{readiness[2].readable, readiness[2].hungUp};
}

void PortThread::Stop() {
    stopping_.store(true);
    stop_.Set();
    if (worker_.IsCurrent()) {
        return;  // asked from inside a pass: the loop ends after it
    }
    while (running_.load() > 0) {
        ended_.Wait(kStopPollMs);
    }
    worker_.Join();
}
