#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/Event.h"
#include "platform/WorkerThread.h"

// The I/O thread of a port with its stop event and running-thread counter.
class PortThread {
  public:
    PortThread();
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;
    ~PortThread();

    // Counts the thread and runs pass() until it returns false. A pass waits for the stop
    // event itself (WaitForStop, or polling StopFd with its device). A thread that cannot
    // start is not counted.
    void Start(platform::ThreadPriority priority, std::function<bool()> pass);
    // True when the stop event was set within the time-out.
    bool WaitForStop(std::chrono::microseconds timeout) { return stop_.Wait(timeout); }
    bool WaitForStop(int timeoutMs) { return stop_.Wait(timeoutMs); }
    // Readable once the stop event is set; confirm with WaitForStop(0).
    int StopFd() const { return stop_.PollFd(); }
    // Sets the stop event and waits (looking every 100 ms at the latest) until the
    // thread has ended.
    void Stop();

    std::int32_t RunningCount() const { return running_.load(); }
    // True once Stop was called: long waits inside a pass give up early.
    const std::atomic<bool>& Stopping() const { return stopping_; }

  private:
    static constexpr int kStopPollMs = 100;

    platform::Event stop_{platform::Event::Mode::AutoReset};
    platform::Event ended_{platform::Event::Mode::ManualReset};
    std::atomic<bool> stopping_{false};
    std::atomic<std::int32_t> running_{0};
    platform::WorkerThread worker_;
};
