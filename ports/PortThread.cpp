#include "ports/PortThread.h"

#include <utility>

PortThread::PortThread() = default;

PortThread::~PortThread() {
    Stop();
}

void PortThread::Start(platform::ThreadPriority priority, std::function<bool()> pass) {
    running_.fetch_add(1);
    const bool started = worker_.Start(priority, [this, pass = std::move(pass)] {
        while (pass()) {
        }
        running_.fetch_sub(1);
        ended_.Set();
    });
    if (!started) {
        running_.fetch_sub(1);
    }
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
