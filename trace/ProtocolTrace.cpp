#include "trace/ProtocolTrace.h"

#include <atomic>
#include <utility>

#include "trace/TraceFormat.h"

namespace trace {

namespace {

std::atomic<ProtocolTrace*> currentTrace{nullptr};

}  // namespace

ProtocolTrace::ProtocolTrace(const std::string& filePath, std::size_t queueCapacity)
    : queue_(queueCapacity) {
    if (!filePath.empty()) {
        file_.Open(filePath);
    }
    writer_ = std::thread([this] { Run(); });
    currentTrace.store(this);
    AddPortTap(this);
}

ProtocolTrace::~ProtocolTrace() {
    RemovePortTap(this);
    currentTrace.store(nullptr);
    queue_.Stop();
    writer_.join();
}

ProtocolTrace* ProtocolTrace::Current() {
    return currentTrace.load();
}

void ProtocolTrace::Written(const std::string& portName, const std::string& data) {
    queue_.Push(TraceEvent{TraceEvent::Kind::Written, portName, data});
}

void ProtocolTrace::Dropped(const std::string& portName, const std::string& data) {
    queue_.Push(TraceEvent{TraceEvent::Kind::Dropped, portName, data});
}

void ProtocolTrace::Received(const std::string& portName, const std::string& chunk) {
    queue_.Push(TraceEvent{TraceEvent::Kind::Received, portName, chunk});
}

void ProtocolTrace::Note(const std::string& text) {
    queue_.Push(TraceEvent{TraceEvent::Kind::Note, {}, text});
}

bool ProtocolTrace::WaitUntilWritten(std::chrono::milliseconds timeout) {
    const std::uint64_t target = queue_.AcceptedCount();
    std::unique_lock lock(writtenMutex_);
    return writtenChanged_.wait_for(lock, timeout, [&] { return writtenCount_ >= target; });
}

void ProtocolTrace::Run() {
    for (;;) {
        TraceQueue::Batch batch = queue_.Take(gatherer_.NextDeadline());
        std::vector<std::string> out;
        if (batch.droppedSinceLast > 0) {
            Emit(TraceEvent{TraceEvent::Kind::Note,
                            {},
                            "trace: " + std::to_string(batch.droppedSinceLast) +
                                " entries dropped (queue full)"},
                 out);
        }
        for (const TraceEvent& event : batch.events) {
            Handle(event, out);
        }
        for (const TraceEvent& line : gatherer_.TakeIdle(std::chrono::steady_clock::now())) {
            Emit(line, out);
        }
        if (batch.stopped) {
            for (const TraceEvent& line : gatherer_.TakeAll()) {
                Emit(line, out);
            }
        }
        Publish(out);
        {
            const std::lock_guard guard(writtenMutex_);
            writtenCount_ += batch.events.size();
        }
        writtenChanged_.notify_all();
        if (batch.stopped) {
            return;
        }
    }
}

// A write first lets out what the port had received so far, so that each port's entries
// stay in order of time.
void ProtocolTrace::Handle(const TraceEvent& event, std::vector<std::string>& out) {
    switch (event.kind) {
        case TraceEvent::Kind::Received:
            for (const TraceEvent& line : gatherer_.Add(event)) {
                Emit(line, out);
            }
            return;
        case TraceEvent::Kind::Written:
        case TraceEvent::Kind::Dropped:
            for (const TraceEvent& partial : gatherer_.TakePartial(event.port)) {
                Emit(partial, out);
            }
            break;
        case TraceEvent::Kind::Note:
            break;
    }
    Emit(event, out);
}

void ProtocolTrace::Emit(const TraceEvent& event, std::vector<std::string>& out) {
    std::string line;
    switch (event.kind) {
        case TraceEvent::Kind::Written:
            line = FormatTransferLine(event.time, event.port, ">", event.bytes);
            break;
        case TraceEvent::Kind::Dropped:
            line = FormatTransferLine(event.time, event.port, "dropped", event.bytes);
            break;
        case TraceEvent::Kind::Received:
            line = FormatTransferLine(event.time, event.port, "<", event.bytes);
            break;
        case TraceEvent::Kind::Note:
            line = FormatNoteLine(event.time, event.bytes);
            break;
    }
    out.push_back(std::move(line));
}

// The file first: who sees a line in the history finds it in the file too.
void ProtocolTrace::Publish(const std::vector<std::string>& lines) {
    if (file_.IsOpen() && !lines.empty()) {
        std::string text;
        for (const std::string& line : lines) {
            text += line;
            text += '\n';
        }
        file_.Append(text);
    }
    for (const std::string& line : lines) {
        history_.Add(line);
    }
}

}  // namespace trace
