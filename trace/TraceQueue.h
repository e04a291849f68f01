#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "trace/TraceEvent.h"

namespace trace {

// The bounded hand-over from the threads that write and receive to the trace's writer
// thread. Pushing never waits for the writer: when the queue is full the event is dropped
// and counted.
class TraceQueue {
  public:
    struct Batch {
        std::vector<TraceEvent> events;
        std::uint64_t droppedSinceLast = 0;
        bool stopped = false;
    };

    explicit TraceQueue(std::size_t capacity);

    // False when the event was dropped.
    bool Push(TraceEvent event);
    // Waits until there are events or drops, the queue is stopped, or the deadline (if any)
    // has passed, then takes everything.
    Batch Take(std::optional<std::chrono::steady_clock::time_point> deadline);
    void Stop();

    std::uint64_t AcceptedCount();
    std::uint64_t DroppedCount();

  private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<TraceEvent> events_;
    std::uint64_t accepted_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t droppedUntaken_ = 0;
    bool stopped_ = false;
};

}  // namespace trace
