#pragma once

#include <mutex>

namespace platform {

// A lock the holding thread may take again; usable with std::lock_guard / std::scoped_lock.
class RecursiveLock {
  public:
    RecursiveLock() = default;
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

  private:
    std::recursive_mutex mutex_;
};

using RecursiveGuard = std::lock_guard<RecursiveLock>;

}  // namespace platform
