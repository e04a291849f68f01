#include "ports/SerialPort.h"

#include <fcntl.h>

#include <chrono>
#include <thread>

#include "platform/DeviceIo.h"
#include "platform/LineMode.h"
#include "platform/Tick.h"
#include "ports/DevicePath.h"

using platform::RecursiveGuard;

namespace {

constexpr std::size_t kModeTextLength = 8;
constexpr std::size_t kPacingDigitIndex = 9;
constexpr int kRtsSettleMs = 1;
constexpr int kTransmitterWaitSlackMs = 50;
constexpr int kWriteStallLimitMs = 1000;

}  // namespace

SerialPort::SerialPort(std::string name) : queue_(name), name_(std::move(name)) {
    ready_.Set();
    thread_.Start(platform::ThreadPriority::Highest, [this] { return Pass(); });
}

SerialPort::~SerialPort() {
    thread_.Stop();
    const RecursiveGuard device(deviceLock_);
    CloseDevice();
}

bool SerialPort::Write(const std::string& data) {
    // Checked under the queue lock, which auto-close also holds, so a string is never
    // accepted into the queue of a device that is being closed.
    const RecursiveGuard guard(queue_.Lock());
    if (!deviceOpen_.load()) {
        return false;
    }
    queue_.Push(data);
    return true;
}

void SerialPort::AcknowledgeReply() {
    const RecursiveGuard device(deviceLock_);
    ready_.Set();
}

bool SerialPort::Attach(PortListener* listener) {
    const RecursiveGuard guard(queue_.Lock());
    if (queue_.IsAttached(listener)) {
        return true;
    }
    if (!deviceOpen_.load() && !OpenDevice()) {
        return false;
    }
    queue_.AddListener(listener);
    return true;
}

bool SerialPort::Detach(PortListener* listener) {
    return queue_.RemoveListener(listener);
}

void SerialPort::GetSettings(std::string& out) {
    const RecursiveGuard device(deviceLock_);
    if (deviceOpen_.load()) {
        out = settings_;
    }
}

bool SerialPort::Configure(const std::string& settings) {
    const RecursiveGuard guard(queue_.Lock());
    const RecursiveGuard device(deviceLock_);
    if (!ApplyLine(settings.substr(0, kModeTextLength))) {
        return false;
    }
    queue_.Clear();
    std::string stored = settings;
    if (stored.size() < kPacingDigitIndex) {
        stored += ",0";  // the pacing value stays as it was
    } else if (stored.size() > kPacingDigitIndex) {
        pacing_ = static_cast<std::uint8_t>(stored[kPacingDigitIndex] - '0');
    }
    // Nine characters carry no pacing digit: the pacing value stays as it was.
    settings_ = stored;
    return true;
}

std::int32_t SerialPort::GetStatus() {
    return queue_.Status();
}

std::string SerialPort::GetTypeName() {
    return "Serial Port";
}

std::uint8_t SerialPort::PacingValue() {
    const RecursiveGuard device(deviceLock_);
    return pacing_;
}

// Called with the queue lock held.
bool SerialPort::OpenDevice() {
    const RecursiveGuard device(deviceLock_);
    if (!device_.Open(DevicePathForPortName(name_), O_RDWR | O_NONBLOCK)) {
        return false;
    }
    deviceOpen_.store(true);
    const std::string stored = settings_;
    if (!Configure(stored)) {
        CloseDevice();
        return false;
    }
    return true;
}

// Called with the device lock held.
void SerialPort::CloseDevice() {
    if (!device_.IsOpen()) {
        return;
    }
    rtsToggle_.Restore(device_.Fd());
    device_.Close();
    deviceOpen_.store(false);
}

// Steps that must all succeed before Configure changes anything. Called with the device
// lock held.
bool SerialPort::ApplyLine(const std::string& modeText) {
    const auto mode = platform::ParseLineMode(modeText);
    if (!mode || !device_.IsOpen()) {
        return false;
    }
    const int fd = device_.Fd();
    // Driver queue sizes have no counterpart here and count as set.
    if (!platform::ApplyLineMode(fd, *mode) || !platform::PurgeLine(fd) ||
        !platform::ClearLineBreak(fd)) {
        return false;
    }
    manualRts_ = !rtsToggle_.Enable(fd);
    if (manualRts_) {
        platform::SetRts(fd, false);  // raised only while sending; refused without modem lines
    }
    baudRate_ = mode->baudRate;
    return true;
}

bool SerialPort::Pass() {
    if (!ReceiveUnlessStopped()) {
        return false;
    }
    const PortQueue::State state = queue_.Peek();
    if (!state.queueEmpty) {
        TransmitHead();
    } else if (!state.hasListener) {
        AutoCloseIfUnused();
    }
    return true;
}

// The pass's wait for the stop event (1 ms) and the read's wait for input (1 ms) are one
// poll of both, so that an idle line costs one wake-up per pass. Input that comes early
// still waits out the first millisecond, so passes never follow faster than that.
bool SerialPort::ReceiveUnlessStopped() {
    using namespace std::chrono;
    const auto passStart = steady_clock::now();
    const auto stopWait = milliseconds(kPassMs);
    const auto wholeWait = milliseconds(2 * kPassMs);
    const auto waitedSoFar = [&] {
        return duration_cast<microseconds>(steady_clock::now() - passStart);
    };

    std::unique_lock device(deviceLock_);
    if (!device_.IsOpen()) {
        device.unlock();
        return !thread_.WaitForStop(stopWait);
    }
    const platform::DeviceWait wait =
        platform::WaitForInputOrSignal(device_.Fd(), thread_.StopFd(), wholeWait);
    device.unlock();
    if (wait == platform::DeviceWait::Signalled) {
        return !thread_.WaitForStop(microseconds(0));
    }
    const auto floor = wait == platform::DeviceWait::Input ? stopWait : wholeWait;
    const auto rest = duration_cast<microseconds>(floor) - waitedSoFar();
    if (rest.count() > 0 && thread_.WaitForStop(rest)) {
        return false;
    }
    if (wait != platform::DeviceWait::Input) {
        return true;  // nothing came, or the far side is gone
    }

    char buffer[kReadChunk];
    platform::ReadResult result;
    {
        const RecursiveGuard locked(deviceLock_);
        if (!device_.IsOpen()) {
            return true;
        }
        // Line errors (framing, overrun, parity) need no clearing here: the bytes read
        // are delivered as they are.
        result = platform::ReadAvailable(device_.Fd(), buffer, sizeof buffer, 0);
    }
    if (result.status == platform::ReadStatus::Data) {
        queue_.Deliver(std::string(buffer, result.count));
    }
    return true;
}

void SerialPort::TransmitHead() {
    const auto head = queue_.Head();
    if (!head) {
        return;
    }
    std::unique_lock device(deviceLock_);
    if (pacing_ != 0 && !ready_.Wait(kPassMs)) {
        if (platform::TickCount() - lastWriteTick_ < kPacingLimitMs) {
            return;
        }
        ready_.Set();
    }
    const platform::WriteResult result = Transmit(head->data);
    if (!result.complete) {
        lastWriteTick_ = platform::TickCount();
        device.unlock();
        // What went out already is not sent again on the retry.
        queue_.DropSentPrefix(head->serial, result.written);
        return;
    }
    if (pacing_ != 0) {
        ready_.Reset();
        lastWriteTick_ = platform::TickCount();
    }
    device.unlock();
    queue_.PopHead(head->serial);
    std::this_thread::sleep_for(std::chrono::milliseconds(kPauseAfterWriteMs));
}

// Called with the device lock held.
platform::WriteResult SerialPort::Transmit(const std::string& data) {
    if (!device_.IsOpen()) {
        return {};
    }
    const int fd = device_.Fd();
    const bool driveRts = manualRts_ && platform::SetRts(fd, true);
    if (driveRts) {
        const std::uint32_t raised = platform::TickCount();
        while (platform::TickCount() - raised < kRtsSettleMs) {
            std::this_thread::yield();
        }
    }
    const platform::WriteResult result =
        platform::WriteAll(fd, data, kWriteStallLimitMs, thread_.Stopping());
    if (driveRts && result.complete) {
        platform::WaitTransmitterEmpty(
            fd, platform::LineTimeMs(data.size(), baudRate_) * 2 + kTransmitterWaitSlackMs);
        platform::SetRts(fd, false);
    }
    return result;
}

void SerialPort::AutoCloseIfUnused() {
    // Looked at again under both locks, so that an Attach or Write racing with this pass
    // never finds its device closed behind its back.
    const RecursiveGuard guard(queue_.Lock());
    const PortQueue::State state = queue_.Peek();
    if (!state.queueEmpty || state.hasListener) {
        return;
    }
    const RecursiveGuard device(deviceLock_);
    CloseDevice();
}
