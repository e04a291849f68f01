#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/DeviceIo.h"
#include "platform/Event.h"
#include "platform/ExclusiveDevice.h"
#include "platform/RecursiveLock.h"
#include "platform/SavedLineState.h"
#include "platform/SerialLine.h"
#include "ports/LineLoss.h"
#include "ports/Port.h"
#include "ports/PortQueue.h"
#include "ports/PortThread.h"

// A serial line "COM1" to "COM4" (device path from DevicePathForPortName). The I/O thread
// sleeps until input arrives, a string is queued or a timed hold ends; it hands each read of
// up to 5 bytes to the listeners and sends queued strings one at a time, each followed by a
// pause before the next, optionally paced by replies.
class SerialPort : public Port {
  public:
    static constexpr const char* kInitialSettings = "96,n,8,1,0";
    static constexpr int kPacingLimitMs = 300;
    static constexpr int kPauseAfterWriteMs = 5;
    static constexpr int kWriteRetryMs = 10;
    static constexpr std::size_t kReadChunk = 5;

    // lineLoss (the owner's, or none) hears when the device goes away under the open port.
    explicit SerialPort(std::string name, LineLossListener* lineLoss = nullptr);
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
    ~SerialPort() override;

    bool Write(const std::string& data) override;
    void AcknowledgeReply() override;
    bool Attach(PortListener* listener) override;
    bool Detach(PortListener* listener) override;
    void GetSettings(std::string& out) override;
    bool Configure(const std::string& settings) override;
    std::int32_t GetStatus() override;
    std::string GetTypeName() override;

    // Opens the device again after a hang-up, with the stored settings, for the listeners
    // still attached. True when the device is open afterwards.
    bool Reopen();

    bool IsDeviceOpen() const { return deviceOpen_.load(); }
    std::uint8_t PacingValue();
    std::size_t QueuedCount() { return queue_.QueuedCount(); }
    std::int32_t RunningThreads() const { return thread_.RunningCount(); }
    // False when the I/O thread or its events could not be created.
    bool IsWorking() const { return thread_.IsStarted() && ready_.IsValid(); }
    // How often the I/O thread has woken up so far.
    std::uint64_t WakeCount() const { return thread_.WakeCount(); }
    // True when no thread holds the device lock at this moment.
    bool IsDeviceLockFree();

  private:
    using Clock = PortThread::Clock;

    bool OpenDevice();
    void TakeLine();
    void CloseDevice();
    bool ApplyLine(const std::string& modeText);
    bool Pass();
    PortThread::WaitFor NextWait();
    void Receive(bool hungUp);
    // The device went away: closed at once (so that a returning device can take its old
    // name), the queue dropped, the loss told to the owner's listener.
    void HangUp();
    bool MayWrite() const;
    void TransmitHead();
    platform::WriteResult Transmit(const std::string& data);
    void AutoCloseIfUnused();

    PortQueue queue_;  // with the queue lock
    platform::RecursiveLock deviceLock_;
    bool manualRts_ = true;  // no driver RTS toggle: the thread drives RTS itself
    const std::string name_;
    LineLossListener* const lineLoss_;
    std::string settings_ = kInitialSettings;
    std::uint8_t pacing_ = 0;
    platform::ExclusiveDevice device_;
    std::atomic<bool> deviceOpen_{false};
    std::string devicePath_;  // of the open device
    platform::DriverRtsToggle rtsToggle_;
    platform::SavedLineState foundLine_;  // put back on close
    platform::LineMode lineMode_;
    platform::Event ready_{platform::Event::Mode::ManualReset};
    PortQueue::Sent lastSent_;  // under the device lock
    // I/O thread only.
    Clock::time_point lastWrite_ = Clock::now();
    Clock::time_point holdUntil_;  // the pause after a write, or a failed write's retry
    PortThread thread_;            // last: stopped before the rest goes
};
