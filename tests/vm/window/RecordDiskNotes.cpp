#include "tests/vm/window/RecordDiskNotes.h"

namespace {

std::string LastKind(const VisitRecord& record) {
    return record.LastEvent().value("event").toString().toStdString();
}

}  // namespace

RecordDiskNotes::RecordDiskNotes(VisitRecord& record, trace::ProtocolTrace& trace)
    : record_(record), trace_(trace), thread_([this](const std::stop_token& stop) { Run(stop); }) {
    record_.SetChangeHandler([this] { Handed(LastKind(record_)); });
}

RecordDiskNotes::~RecordDiskNotes() {
    record_.SetChangeHandler(
        [&record = record_, &trace = trace_] { trace.Note("event " + LastKind(record)); });
}

void RecordDiskNotes::Handed(std::string kind) {
    trace_.Note("event " + kind);
    {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(kind));
    }
    handed_.notify_one();
}

void RecordDiskNotes::Run(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    while (handed_.wait(lock, stop, [this] { return !waiting_.empty(); })) {
        std::deque<std::string> handed;
        handed.swap(waiting_);
        lock.unlock();
        // Returns once every event handed over so far is on the disk.
        record_.Drain();
        for (const std::string& kind : handed) {
            trace_.Note("on disk " + kind);
        }
        lock.lock();
    }
}
