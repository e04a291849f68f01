#pragma once

#include <chrono>

namespace platform {

// A waitable flag on an eventfd, so that a thread can also wait for it together with a
// device in one poll (PollFd). An auto-reset event is cleared by the wait that sees it
// set; a manual-reset event stays set until Reset.
class Event {
  public:
    enum class Mode { AutoReset, ManualReset };

    // An event that could not be created (no descriptors left) is never set: IsValid.
    explicit Event(Mode mode, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event();

    void Set();
    void Reset();
    // True when the event was (or became) set within the time-out.
    bool Wait(std::chrono::microseconds timeout);
    bool Wait(int timeoutMs) { return Wait(std::chrono::milliseconds(timeoutMs)); }
    bool IsSet() const;
    bool IsValid() const { return fd_ >= 0; }
    // Readable while the event is set; for poll only, never read it directly.
    int PollFd() const { return fd_; }

  private:
    bool TryConsume();

    const Mode mode_;
    int fd_ = -1;
};

}  // namespace platform
