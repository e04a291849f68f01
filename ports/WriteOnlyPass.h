#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "ports/PortThread.h"

class PortQueue;

// The passes of the I/O thread of a port that only writes (a file or a parallel port): it
// sleeps until a string is queued or a listener goes, or until a failed write is due again.
class WriteOnlyPass {
  public:
    explicit WriteOnlyPass(std::chrono::milliseconds retryDelay) : retryDelay_(retryDelay) {}

    // One pass: writes the queue's head with writeHead (true when it went out, or there was
    // none), or, with the queue empty and no listener left, calls closeUnused. False once the
    // thread is to stop. I/O thread only.
    bool Run(PortThread& thread, PortQueue& queue, const std::function<bool()>& writeHead,
             const std::function<void()>& closeUnused);

  private:
    const std::chrono::milliseconds retryDelay_;
    std::optional<PortThread::Clock::time_point> retryAt_;
};
