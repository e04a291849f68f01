#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/Event.h"
#include "platform/WorkerThread.h"

// The I/O thread of a port with its stop event, its wake event and running-thread counter.
// Between passes the thread sleeps in one wait on the stop event, the wake event, the
// device (for input) and another event, with a deadline only when something timed is due.
class PortThread {
  public:
    using Clock = std::chrono::steady_clock;

    // What the next wait watches besides the stop and wake events.
    struct WaitFor {
        int inputFd = -1;  // input, or a hang-up, ends the wait
        int eventFd = -1;  // an event's PollFd: set ends the wait
        std::optional<Clock::time_point> deadline;
    };
    struct Woken {
        bool input = false;
        bool hungUp = false;  // a hang-up or error on inputFd, also together with input
    };

    PortThread();
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;
    ~PortThread();

    // Counts the thread and runs pass() until it returns false. A thread that cannot
    // start, or whose events could not be created, is not started and not counted.
    void Start(platform::ThreadPriority priority, std::function<bool()> pass);
    bool IsStarted() const { return started_; }
    // Blocks until something of what is watched happens. Empty once the stop event is set.
    std::optional<Woken> Wait(const WaitFor& what);
    // Ends the current or next Wait: a string was queued, a listener came or went.
    void Wake() { wake_.Set(); }
    // Sets the stop event and waits (looking every 100 ms at the latest) until the
    // thread has ended.
    void Stop();

    // True on the I/O thread of any port, e.g. inside a listener's OnReceive.
    static bool IsAnyPortThread();

    std::int32_t RunningCount() const { return running_.load(); }
    // How often a Wait has returned.
    std::uint64_t WakeCount() const { return wakeCount_.load(); }
    // True once Stop was called: long waits inside a pass give up early.
    const std::atomic<bool>& Stopping() const { return stopping_; }

  private:
    static constexpr int kStopPollMs = 100;

    platform::Event stop_{platform::Event::Mode::AutoReset};
    platform::Event wake_{platform::Event::Mode::AutoReset};
    platform::Event ended_{platform::Event::Mode::ManualReset};
    std::atomic<bool> stopping_{false};
    std::atomic<std::int32_t> running_{0};
    std::atomic<std::uint64_t> wakeCount_{0};
    bool started_ = false;
    platform::WorkerThread worker_;
};
