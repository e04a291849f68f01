#include "protocol/InstrumentLink.h"

#include <chrono>
#include <utility>

#include "platform/Tick.h"
#include "ports/Port.h"
#include "protocol/CommandSet.h"

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
const std::string kTrainingStarted = "OK";

}  // namespace

InstrumentLink::InstrumentLink(std::string portName, PortManager& portManager)
    : portName_(std::move(portName)), portManager_(portManager) {
    port_ = portManager_.Open(portName_, this);
}

InstrumentLink::~InstrumentLink() {
    if (!putBackOnline_) {
        PutBackOnline();
    }
}

InstrumentLink::Leaving InstrumentLink::PutBackOnline(std::uint32_t waitMs) {
    Leaving leaving;
    if (std::exchange(putBackOnline_, true)) {
        return leaving;
    }
    if (!GoOnline()) {
        leaving.outcome = Leaving::Outcome::ReplyPending;
    } else if (IsPending()) {
        leaving.outcome = Leaving::Outcome::NoAnswer;
        if (std::string reply = ReplyWithin(waitMs); !reply.empty()) {
            leaving = {Leaving::Outcome::Answered, std::move(reply)};
        }
    }
    if (port_ != nullptr) {
        portManager_.Close(portName_, this);
        port_ = nullptr;
    }
    return leaving;
}

void InstrumentLink::OnReceive(const std::string& chunk) {
    for (const char byte : chunk) {
        const std::lock_guard guard(lock_);
        store_.Put(byte);
    }
    received_.notify_all();
}

std::string InstrumentLink::ReadReply() {
    return ApplyStateRule(AssembleLine());
}

bool InstrumentLink::AssembleLine() {
    for (;;) {
        char byte = 0;
        {
            const std::lock_guard guard(lock_);
            if (!store_.Take(byte)) {
                return false;
            }
        }
        midLine_ = byte != kLineFeed;
        if (DropLineTail(byte)) {
            continue;
        }
        if (byte == kLineFeed) {
            return true;
        }
        if (byte == kCarriageReturn) {
            continue;
        }
        if (accumulator_.size() < kLongestLine) {
            accumulator_.push_back(byte);
        } else {
            ++longLineDropCount_;
        }
    }
}

bool InstrumentLink::DropLineTail(char byte) {
    if (!droppingLineTail_) {
        return false;
    }
    if (lineTail_.size() < kLongestLine) {
        lineTail_.push_back(byte);
    }
    if (byte == kLineFeed) {
        droppingLineTail_ = false;
        TellLineTail();
    }
    return true;
}

std::string InstrumentLink::TakeLine() {
    std::string line;
    line.swap(accumulator_);
    return line;
}

std::string InstrumentLink::ApplyStateRule(bool completeLine) {
    switch (state_) {
        case ReplyState::Idle:
            return {};
        case ReplyState::OnlineFirstLine:
        case ReplyState::OfflineFirstLine:
            if (completeLine) {
                accumulator_.push_back(' ');
                state_ = state_ == ReplyState::OnlineFirstLine ? ReplyState::OnlineSecondLine
                                                               : ReplyState::OfflineSecondLine;
            }
            return {};
        case ReplyState::TrainAcknowledge:
            if (!completeLine) {
                return {};
            }
            state_ = ReplyState::TrainStart;
            return TakeLine();
        case ReplyState::TrainStart:
            if (!completeLine) {
                return {};
            }
            state_ = accumulator_ == kTrainingStarted ? ReplyState::TrainResult : ReplyState::Idle;
            return TakeLine();
        case ReplyState::DumpLeft:
        case ReplyState::DumpRight:
            return TakeLine();
        case ReplyState::DumpStopping:
        case ReplyState::ReportingSent:
            accumulator_.clear();
            state_ = ReplyState::Idle;
            return {};
        case ReplyState::OnlineSecondLine:
        case ReplyState::OfflineSecondLine:
        case ReplyState::TrainResult:
        case ReplyState::SetVoltageReply:
        case ReplyState::SetTripPointReply:
        case ReplyState::SaveTrainingReply:
        case ReplyState::RestoreTrainingReply:
        case ReplyState::SetPowerLevelReply:
        case ReplyState::TripPointValue:
        case ReplyState::CurrentValue:
        case ReplyState::AdjustTripPointReply:
        case ReplyState::VoltageValue:
        case ReplyState::StatusValue:
            if (!completeLine) {
                return {};
            }
            state_ = ReplyState::Idle;
            return TakeLine();
    }
    return {};
}

void InstrumentLink::AwaitAgainAfterLateLine(ReplyState awaited, const std::string& lateLine) {
    state_ = awaited;
    if (lateReplyHandler_) {
        lateReplyHandler_(lateLine + '\n');
    }
}

void InstrumentLink::Reset() {
    // Lines collected in Idle (after a reporting command or a dump's stop) are drained, not
    // awaited: only an awaited reply's start is kept for the late reply.
    if (state_ != ReplyState::Idle) {
        unclaimed_ = accumulator_;
    }
    state_ = ReplyState::Idle;
    accumulator_.clear();
}

void InstrumentLink::DiscardUnread() {
    unclaimed_.clear();
    droppingLineTail_ = false;
    midLine_ = false;  // what was dropped is gone whole: the next bytes start afresh
    lineTail_.clear();
    const std::lock_guard guard(lock_);
    store_.DiscardUnread();
}

void InstrumentLink::DropUnclaimed() {
    std::string dropped = std::move(unclaimed_);
    unclaimed_.clear();
    dropped += accumulator_;
    accumulator_.clear();
    const std::size_t examined = dropped.size();
    {
        const std::lock_guard guard(lock_);
        store_.TakeAll(dropped);
    }
    if (dropped.size() > examined) {
        midLine_ = dropped.back() != kLineFeed;
    }
    lineTail_ += dropped;
    droppingLineTail_ = midLine_;
    // A line still arriving is told with its tail, once its line feed comes.
    if (!droppingLineTail_ && !lineTail_.empty()) {
        TellLineTail();
    }
}

void InstrumentLink::TellLineTail() {
    if (lateReplyHandler_) {
        lateReplyHandler_(lineTail_);
    }
    lineTail_.clear();
}

std::uint64_t InstrumentLink::DroppedByteCount() const {
    const std::lock_guard guard(lock_);
    return store_.DroppedCount() + longLineDropCount_;
}

// Once ReadReply has used up the bytes received, nothing new can come of it until the port
// hands the link more: WaitForUnread wakes on that, and returns at once while bytes still wait.
std::string InstrumentLink::ReplyWithin(std::uint32_t timeoutMs) {
    const std::uint32_t start = platform::TickCount();
    for (std::uint32_t elapsed = 0; elapsed < timeoutMs; elapsed = platform::TickCount() - start) {
        std::string reply = ReadReply();
        if (!reply.empty()) {
            return reply;
        }
        const std::uint32_t waited = platform::TickCount() - start;
        if (waited < timeoutMs) {
            WaitForUnread(timeoutMs - waited);
        }
    }
    return {};
}

bool InstrumentLink::WaitForUnread(std::uint32_t timeoutMs) const {
    std::unique_lock guard(lock_);
    return received_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                              [this] { return store_.Unread() > 0; });
}

bool InstrumentLink::Send(const std::string& text, ReplyState replyState, Group group) {
    if (IsPending()) {
        return false;
    }
    DropUnclaimed();
    const bool written = port_ != nullptr && port_->Write(text) &&
                         port_->Write(std::string(1, protocol::kCommandTerminator));
    if (written) {
        state_ = replyState;
    }
    return group == Group::A || written;
}

bool InstrumentLink::GoOnline() {
    return Send(protocol::GoOnlineText(), ReplyState::OnlineFirstLine, Group::A);
}

bool InstrumentLink::GoOffline() {
    return Send(protocol::GoOfflineText(), ReplyState::OfflineFirstLine, Group::A);
}

bool InstrumentLink::TrainSensor(SensorIndex sensor) {
    return Send(protocol::TrainSensorText(sensor), ReplyState::TrainAcknowledge, Group::A);
}

bool InstrumentLink::SetVoltage(double volts, SensorIndex sensor) {
    return Send(protocol::SetVoltageText(volts, sensor), ReplyState::SetVoltageReply, Group::B);
}

bool InstrumentLink::SetTripPoint(double milliamps, SensorIndex sensor) {
    return Send(protocol::SetTripPointText(milliamps, sensor), ReplyState::SetTripPointReply,
                Group::B);
}

bool InstrumentLink::SaveTrainingData(std::int32_t bin) {
    return Send(protocol::SaveTrainingDataText(bin), ReplyState::SaveTrainingReply, Group::B);
}

bool InstrumentLink::RestoreTrainingData(std::int32_t bin) {
    return Send(protocol::RestoreTrainingDataText(bin), ReplyState::RestoreTrainingReply, Group::B);
}

bool InstrumentLink::SetPowerLevel(const std::string& code) {
    return Send(protocol::SetPowerLevelText(code), ReplyState::SetPowerLevelReply, Group::B);
}

bool InstrumentLink::QueryTripPoint(SensorIndex sensor) {
    return Send(protocol::QueryTripPointText(sensor), ReplyState::TripPointValue, Group::A);
}

bool InstrumentLink::QueryCurrent(SensorIndex sensor) {
    return Send(protocol::QueryCurrentText(sensor), ReplyState::CurrentValue, Group::A);
}

bool InstrumentLink::AdjustTripPoint(SensorIndex sensor) {
    return Send(protocol::AdjustTripPointText(sensor), ReplyState::AdjustTripPointReply, Group::A);
}

bool InstrumentLink::QueryVoltage(SensorIndex sensor) {
    return Send(protocol::QueryVoltageText(sensor), ReplyState::VoltageValue, Group::A);
}

bool InstrumentLink::StartDump(bool rightTube) {
    return Send(protocol::StartDumpText(rightTube),
                rightTube ? ReplyState::DumpRight : ReplyState::DumpLeft, Group::B);
}

bool InstrumentLink::StopDump() {
    const bool dumping = state_ == ReplyState::DumpLeft || state_ == ReplyState::DumpRight;
    if (!dumping || port_ == nullptr || !port_->Write(protocol::StopDumpText())) {
        return false;
    }
    state_ = ReplyState::DumpStopping;
    return true;
}

bool InstrumentLink::SetSensorReporting(bool enable, bool rightTube) {
    return Send(protocol::SetSensorReportingText(enable, rightTube), ReplyState::ReportingSent,
                Group::B);
}

bool InstrumentLink::QueryStatus() {
    return Send(protocol::QueryStatusText(), ReplyState::StatusValue, Group::A);
}
