#include "ports/SerialPort.h"

#include <fcntl.h>

#include <chrono>
#include <new>
#include <optional>

#include "platform/DeviceIo.h"
#include "platform/LineMode.h"
#include "ports/DevicePath.h"
#include "ports/SerialWaitPlan.h"

using platform::RecursiveGuard;

namespace {

constexpr std::size_t kModeTextLength = 8;
constexpr std::size_t kPacingDigitIndex = 9;
constexpr int kWriteStallLimitMs = 1000;

}  // namespace

SerialPort::SerialPort(std::string name, LineLossListener* lineLoss)
    : queue_(name), name_(std::move(name)), lineLoss_(lineLoss) {
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
    if (!queue_.Push(data)) {
        return false;
    }
    thread_.Wake();
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
    if (!queue_.AddListener(listener)) {
        thread_.Wake();  // a device opened just now is closed again by the next pass
        return false;
    }
    thread_.Wake();  // the device may be new to the thread
    return true;
}

bool SerialPort::Detach(PortListener* listener) {
    const bool removed = queue_.RemoveListener(listener);
    thread_.Wake();  // auto-close may be due
    return removed;
}

void SerialPort::GetSettings(std::string& out) {
    const RecursiveGuard device(deviceLock_);
    if (deviceOpen_.load()) {
        try {
            out = settings_;
        } catch (const std::bad_alloc&) {
        }
    }
}

bool SerialPort::Configure(const std::string& settings) {
    // The text to store is made first: out of memory, nothing has changed yet.
    std::string stored;
    try {
        stored = settings;
        if (stored.size() < kPacingDigitIndex) {
            stored += ",0";  // the pacing value stays as it was
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    const RecursiveGuard guard(queue_.Lock());
    const RecursiveGuard device(deviceLock_);
    if (!ApplyLine(settings.substr(0, kModeTextLength))) {
        return false;
    }
    queue_.Clear(lastSent_);
    // Nine characters carry no pacing digit: the pacing value stays as it was.
    if (settings.size() > kPacingDigitIndex) {
        pacing_ = static_cast<std::uint8_t>(settings[kPacingDigitIndex] - '0');
    }
    settings_ = std::move(stored);
    thread_.Wake();  // the queue was emptied
    return true;
}

bool SerialPort::Reopen() {
    const RecursiveGuard guard(queue_.Lock());
    if (deviceOpen_.load()) {
        return true;
    }
    if (!OpenDevice()) {
        return false;
    }
    thread_.Wake();  // the device is new to the thread
    return true;
}

std::int32_t SerialPort::GetStatus() {
    return queue_.Status();
}

std::string SerialPort::GetTypeName() {
    return "Serial Port";
}

bool SerialPort::IsDeviceLockFree() {
    if (!deviceLock_.try_lock()) {
        return false;
    }
    deviceLock_.unlock();
    return true;
}

std::uint8_t SerialPort::PacingValue() {
    const RecursiveGuard device(deviceLock_);
    return pacing_;
}

// Called with the queue lock held.
bool SerialPort::OpenDevice() {
    const RecursiveGuard device(deviceLock_);
    std::string path;
    std::string stored;
    try {
        path = DevicePathForPortName(name_);
        stored = settings_;
    } catch (const std::exception&) {
        return false;
    }
    if (!device_.Open(path, O_RDWR | O_NONBLOCK)) {
        return false;
    }
    devicePath_ = path;
    TakeLine();
    deviceOpen_.store(true);
    if (!Configure(stored)) {
        CloseDevice();
        return false;
    }
    return true;
}

// The open raised RTS (and DTR): RTS goes down again before anything else happens, the
// line's state as found is kept for the close. Called with the device lock held.
void SerialPort::TakeLine() {
    foundLine_.Save(device_.Fd());
    platform::SetRts(device_.Fd(), false);
}

// Called with the device lock held.
void SerialPort::CloseDevice() {
    if (!device_.IsOpen()) {
        return;
    }
    rtsToggle_.Restore(device_.Fd());
    foundLine_.Restore(device_.Fd());
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
    lineMode_ = *mode;
    return true;
}

bool SerialPort::Pass() {
    const std::optional<PortThread::Woken> woken = thread_.Wait(NextWait());
    if (!woken) {
        return false;
    }
    if (woken->input || woken->hungUp) {
        Receive(woken->hungUp);
    }
    const PortQueue::State state = queue_.Peek();
    if (!state.queueEmpty) {
        if (MayWrite()) {
            TransmitHead();
        }
    } else if (!state.hasListener) {
        AutoCloseIfUnused();
    }
    return true;
}

PortThread::WaitFor SerialPort::NextWait() {
    const PortQueue::State queue = queue_.Peek();
    SerialWaitState state;
    state.queueEmpty = queue.queueEmpty;
    state.hasListener = queue.hasListener;
    state.now = Clock::now();
    const RecursiveGuard device(deviceLock_);
    state.deviceFd = device_.IsOpen() ? device_.Fd() : -1;
    state.pacingEventFd = pacing_ != 0 && !ready_.IsSet() ? ready_.PollFd() : -1;
    state.holdUntil = holdUntil_;
    state.pacingLimit = lastWrite_ + std::chrono::milliseconds(kPacingLimitMs);
    return PlanSerialWait(state);
}

// Zero bytes are no loss by themselves: another reader, or a flush since the poll, may have
// taken what the poll saw. The line is gone on EIO or ENXIO, or when the poll saw a hang-up
// and nothing is left to read.
void SerialPort::Receive(bool hungUp) {
    char buffer[kReadChunk];
    platform::ReadResult result;
    {
        const RecursiveGuard device(deviceLock_);
        if (!device_.IsOpen()) {
            return;
        }
        // Line errors (framing, overrun, parity) need no clearing here: the bytes read
        // are delivered as they are.
        result = platform::ReadSome(device_.Fd(), buffer, sizeof buffer);
    }
    if (result.status == platform::ReadStatus::Data) {
        queue_.Deliver(std::string(buffer, result.count));
    } else if (result.status == platform::ReadStatus::Gone || hungUp) {
        HangUp();
    }
}

// Under both locks, as at auto-close: a Write racing with this either queues before (and is
// dropped) or finds the device closed.
void SerialPort::HangUp() {
    std::string lostPath;
    {
        const RecursiveGuard guard(queue_.Lock());
        const RecursiveGuard device(deviceLock_);
        if (!device_.IsOpen()) {
            return;
        }
        lostPath = devicePath_;
        CloseDevice();
        queue_.Clear();  // each string noted as dropped
    }
    if (lineLoss_ != nullptr) {
        lineLoss_->LineLost(name_, lostPath);
    }
}

bool SerialPort::MayWrite() const {
    return Clock::now() >= holdUntil_;
}

void SerialPort::TransmitHead() {
    const auto head = queue_.Head();
    if (!head) {
        return;
    }
    std::unique_lock device(deviceLock_);
    if (pacing_ != 0 && !ready_.IsSet()) {
        if (Clock::now() - lastWrite_ < std::chrono::milliseconds(kPacingLimitMs)) {
            return;
        }
        ready_.Set();
    }
    const platform::WriteResult result = Transmit(head->data);
    lastSent_ = {head->serial, result.written};
    if (!result.complete) {
        lastWrite_ = Clock::now();
        holdUntil_ = lastWrite_ + std::chrono::milliseconds(kWriteRetryMs);
        device.unlock();
        // What went out already is not sent again on the retry.
        queue_.DropSentPrefix(head->serial, result.written);
        return;
    }
    if (pacing_ != 0) {
        ready_.Reset();
        lastWrite_ = Clock::now();
    }
    device.unlock();
    queue_.PopHead(head->serial);
    holdUntil_ = Clock::now() + std::chrono::milliseconds(kPauseAfterWriteMs);
}

// Called with the device lock held.
platform::WriteResult SerialPort::Transmit(const std::string& data) {
    if (!device_.IsOpen()) {
        return {};
    }
    const int fd = device_.Fd();
    const bool driveRts = manualRts_ && platform::SetRts(fd, true);
    if (driveRts) {
        platform::SettleAfterRaisingRts();
    }
    const Clock::time_point began = Clock::now();
    const platform::WriteResult result =
        platform::WriteAll(fd, data, kWriteStallLimitMs, thread_.Stopping());
    if (driveRts && result.complete) {
        platform::WaitUntilSent(fd, began + platform::LineTime(data.size(), lineMode_));
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
