#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "ports/PortListener.h"
#include "ports/PortManager.h"
#include "protocol/ReceiveStore.h"
#include "protocol/ReplyState.h"
#include "protocol/SensorIndex.h"

class Port;

// The connection to the sensor card over one named port. Sends commands, assembles the
// card's reply lines and follows the reply awaited.
//
// A command takes only the bytes that arrive after it is sent: whatever is still unread when
// it goes out (a late reply, lines beyond a reply, a line the caller's time-out cut short) is
// dropped and handed to the late reply handler. A line still arriving then is dropped whole:
// the bytes after the command up to its line feed are dropped and handed over too. The
// multi-stage replies of training and the dump are collected after their own command and are
// not affected.
//
// Threads: OnReceive runs on the port's I/O thread; everything else on the user-interface
// thread. The lock guards the receive store (and its positions) only.
class InstrumentLink final : public PortListener {
  public:
    // Opens the port through the process's port manager.
    explicit InstrumentLink(std::string portName)
        : InstrumentLink(std::move(portName), *GetPortManager()) {}
    InstrumentLink(std::string portName, PortManager& portManager);
    // Puts the card back online (waiting up to 1000 ms for its answer) and releases the port,
    // unless PutBackOnline() did.
    ~InstrumentLink();

    // What became of the go-online sent as the link lets go of the card.
    struct Leaving {
        enum class Outcome { Answered, NoAnswer, ReplyPending, NotWritten };
        Outcome outcome = Outcome::NotWritten;
        std::string reply;  // when answered
    };
    // What the destructor does, once, telling how it went: sends GoOnline when no reply is
    // pending, waits up to waitMs (1000 ms by default) for its answer, and releases the port.
    Leaving PutBackOnline(std::uint32_t waitMs = kGoOnlineWaitMs);
    static constexpr std::uint32_t kGoOnlineWaitMs = 1000;

    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    void OnReceive(const std::string& chunk) override;

    // The longest line kept: the rest of a longer line, up to its line feed, is dropped.
    static constexpr std::size_t kLongestLine = 4096;

    // Told, on the user-interface thread, of the text a command dropped as it went out
    // (carriage returns of lines already examined left out).
    using LateReplyHandler = std::function<void(const std::string& dropped)>;
    void SetLateReplyHandler(LateReplyHandler handler) { lateReplyHandler_ = std::move(handler); }

    // Examines received bytes up to and including the next line feed and applies the rule
    // of the current state. Never waits; empty unless the rule returns text.
    std::string ReadReply();
    // Back to Idle; the accumulator is emptied. A reply cut short by it is the start of a late
    // reply: the next command drops it with the rest.
    void Reset();
    bool IsPending() const { return state_ != ReplyState::Idle; }
    // The line ReadReply just returned was an earlier command's late reply, not the answer
    // awaited in state `awaited`: the late reply handler is told, and the answer is awaited
    // again.
    void AwaitAgainAfterLateLine(ReplyState awaited, const std::string& lateLine);
    // The line ReadReply just returned was taken by a caller that awaits more lines in state
    // `awaited` (several queries outstanding): the link waits on in that state.
    void AwaitAgain(ReplyState awaited) { state_ = awaited; }
    // A line has begun and its line feed has not come yet.
    bool IsLineArriving() const { return !accumulator_.empty(); }
    // Drops every byte received and not yet examined, and a reply Reset cut short, without
    // telling the late reply handler.
    void DiscardUnread();

    // Each returns whether the command was accepted: false while a reply is pending.
    // Group A (GoOnline, GoOffline, TrainSensor, AdjustTripPoint and the queries) is true
    // even when nothing could be written; the others only when every write was taken.
    bool GoOnline();
    bool GoOffline();
    bool TrainSensor(SensorIndex sensor);
    bool SetVoltage(double volts, SensorIndex sensor);
    bool SetTripPoint(double milliamps, SensorIndex sensor);
    bool SaveTrainingData(std::int32_t bin);
    bool RestoreTrainingData(std::int32_t bin);
    bool SetPowerLevel(const std::string& code);
    bool QueryTripPoint(SensorIndex sensor);
    bool QueryCurrent(SensorIndex sensor);
    bool AdjustTripPoint(SensorIndex sensor);
    bool QueryVoltage(SensorIndex sensor);
    bool StartDump(bool rightTube);
    // Only in DumpLeft and DumpRight: writes "M" alone.
    bool StopDump();
    bool SetSensorReporting(bool enable, bool rightTube);
    bool QueryStatus();

    ReplyState State() const { return state_; }
    bool HasPort() const { return port_ != nullptr; }
    const std::string& PortName() const { return portName_; }
    // Bytes dropped because the store was full (see ReceiveStore) or a line was longer than
    // kLongestLine.
    std::uint64_t DroppedByteCount() const;
    // Blocks until a received byte waits to be examined or timeoutMs has passed; true
    // when one waits. Lets a caller wait without spinning.
    bool WaitForUnread(std::uint32_t timeoutMs) const;
    // The reply ReadReply gives within timeoutMs, the thread asleep between the card's bytes;
    // empty when none came in time (the caller decides whether to Reset).
    std::string ReplyWithin(std::uint32_t timeoutMs);

  private:
    enum class Group { A, B };

    bool Send(const std::string& text, ReplyState replyState, Group group);
    // Drops what no command may take any more and tells the late reply handler.
    void DropUnclaimed();
    // Moves bytes into the accumulator up to a line feed; true when one was met.
    bool AssembleLine();
    // Drops a dropped line's tail byte; true while the byte belonged to it.
    bool DropLineTail(char byte);
    void TellLineTail();
    std::string TakeLine();
    std::string ApplyStateRule(bool completeLine);

    const std::string portName_;
    PortManager& portManager_;
    Port* port_ = nullptr;
    mutable std::mutex lock_;
    mutable std::condition_variable received_;
    ReceiveStore store_;
    std::string accumulator_;
    ReplyState state_ = ReplyState::Idle;
    bool putBackOnline_ = false;
    std::string unclaimed_;  // a reply the caller's Reset cut short
    // The rest of a line a command dropped while it was arriving, up to its line feed.
    bool droppingLineTail_ = false;
    bool midLine_ = false;  // the last byte examined or dropped was not a line feed
    std::string lineTail_;
    std::uint64_t longLineDropCount_ = 0;
    LateReplyHandler lateReplyHandler_;
};
