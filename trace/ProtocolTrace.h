#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ports/PortTap.h"
#include "trace/ReceiveGatherer.h"
#include "trace/TraceFile.h"
#include "trace/TraceHistory.h"
#include "trace/TraceQueue.h"

namespace trace {

// The process's protocol trace: one line per string written to a port and per line
// received, appended to a file (if one is given) and kept in a history of the last 2,000
// for the trace window. Ports hand their bytes over through a bounded queue to a writer
// thread of its own, so tracing never holds them up; what does not fit is dropped, counted,
// and the count noted in the trace.
//
// A port tap for its lifetime; one trace at a time.
class ProtocolTrace : public PortTap {
  public:
    static constexpr std::size_t kDefaultQueueCapacity = 4096;
    static constexpr std::size_t kHistoryLines = 2000;
    static constexpr std::chrono::milliseconds kIdleFlush{100};

    // An empty path traces into the history only.
    explicit ProtocolTrace(const std::string& filePath = {},
                           std::size_t queueCapacity = kDefaultQueueCapacity);
    ProtocolTrace(const ProtocolTrace&) = delete;
    ProtocolTrace& operator=(const ProtocolTrace&) = delete;
    ~ProtocolTrace();

    // The installed trace, or null.
    static ProtocolTrace* Current();

    // Whether the file given could be opened, and why not.
    bool FileOpen() const { return file_.IsOpen(); }
    const std::string& FileError() const { return file_.Error(); }

    void Written(const std::string& portName, const std::string& data) override;
    void Received(const std::string& portName, const std::string& chunk) override;
    void Dropped(const std::string& portName, const std::string& data) override;
    // A line of text of its own, in turn with the port events.
    void Note(const std::string& text);

    TraceHistory& History() { return history_; }
    std::uint64_t DroppedCount() { return queue_.DroppedCount(); }
    // Waits until every event accepted so far is written (partial lines excepted).
    bool WaitUntilWritten(std::chrono::milliseconds timeout);

  private:
    void Run();
    void Handle(const TraceEvent& event, std::vector<std::string>& out);
    void Emit(const TraceEvent& event, std::vector<std::string>& out);
    void Publish(const std::vector<std::string>& lines);

    TraceFile file_;
    TraceHistory history_{kHistoryLines};
    TraceQueue queue_;
    ReceiveGatherer gatherer_{kIdleFlush};  // writer thread only

    std::mutex writtenMutex_;
    std::condition_variable writtenChanged_;
    std::uint64_t writtenCount_ = 0;

    std::thread writer_;  // last: started when the rest exists
};

}  // namespace trace
