#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "record/VisitRecord.h"
#include "trace/ProtocolTrace.h"

// The record's events in the trace: "event KIND" as each is handed to the record's writer, and
// "on disk KIND" once the writer has it on the disk. A thread of its own waits for the writer,
// so the window goes on as it does without the notes. Stopped before the record ends.
class RecordDiskNotes {
  public:
    RecordDiskNotes(VisitRecord& record, trace::ProtocolTrace& trace);
    // Events after this are noted as handed over only.
    ~RecordDiskNotes();
    RecordDiskNotes(const RecordDiskNotes&) = delete;
    RecordDiskNotes& operator=(const RecordDiskNotes&) = delete;

  private:
    void Handed(std::string kind);
    void Run(const std::stop_token& stop);

    VisitRecord& record_;
    trace::ProtocolTrace& trace_;
    std::mutex mutex_;
    std::condition_variable_any handed_;
    std::deque<std::string> waiting_;  // kinds handed over, not yet seen on the disk
    std::jthread thread_;              // last: started when the rest exists
};
