#pragma once

#include <condition_variable>
#include <mutex>

namespace platform {

// A waitable flag. An auto-reset event is cleared by the wait that sees it set; a
// manual-reset event stays set until Reset.
class Event {
  public:
    enum class Mode { AutoReset, ManualReset };

    explicit Event(Mode mode, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // True when the event was (or became) set within timeoutMs.
    bool Wait(int timeoutMs);
    bool IsSet() const;

  private:
    const Mode mode_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_;
};

}  // namespace platform
