#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/ExclusiveDevice.h"
#include "platform/RecursiveLock.h"
#include "ports/Port.h"
#include "ports/PortQueue.h"
#include "ports/PortThread.h"
#include "ports/WriteOnlyPass.h"

// A write-only parallel device "LPT1" to "LPT3" (device path from DevicePathForPortName).
// Line time-outs and purging do not exist for these devices here, so Configure applies and
// stores nothing.
class ParallelPort : public Port {
  public:
    // A failed write is tried again after this long.
    static constexpr int kRetryMs = 10;

    explicit ParallelPort(std::string name);
    ParallelPort(const ParallelPort&) = delete;
    ParallelPort& operator=(const ParallelPort&) = delete;
    ~ParallelPort() override;

    bool Write(const std::string& data) override;
    bool Attach(PortListener* listener) override;
    bool Detach(PortListener* listener) override;
    void GetSettings(std::string& out) override;
    bool Configure(const std::string& settings) override;
    std::int32_t GetStatus() override;
    std::string GetTypeName() override;

    bool IsDeviceOpen() const { return deviceOpen_.load(); }
    std::size_t QueuedCount() { return queue_.QueuedCount(); }
    // False when the I/O thread or its events could not be created.
    bool IsWorking() const { return thread_.IsStarted(); }

  private:
    bool OpenDevice();
    void CloseDevice();
    bool Pass();
    // True when the head went out, or the queue was empty.
    bool TransmitHead();
    void AutoCloseIfUnused();

    PortQueue queue_;  // with the queue lock
    platform::RecursiveLock deviceLock_;
    PortQueue::Sent lastSent_;        // under the device lock
    const bool timeoutFlag_ = false;  // device time-outs and purge are not applied
    const std::string name_;
    std::string settings_;
    platform::ExclusiveDevice device_;
    std::atomic<bool> deviceOpen_{false};
    WriteOnlyPass pass_{std::chrono::milliseconds(kRetryMs)};  // I/O thread only
    PortThread thread_;                                        // last: stopped before the rest goes
};
