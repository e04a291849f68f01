#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "trace/ProtocolTrace.h"

namespace tracetest {

// Every line a trace gives out from now on, for waiting on.
class TraceLines {
  public:
    explicit TraceLines(trace::TraceHistory& history);
    ~TraceLines();
    TraceLines(const TraceLines&) = delete;
    TraceLines& operator=(const TraceLines&) = delete;

    bool WaitFor(std::size_t count, std::chrono::milliseconds deadline = std::chrono::seconds(5));
    std::vector<std::string> Lines();

  private:
    trace::TraceHistory& history_;
    int subscription_ = 0;
    std::mutex mutex_;
    std::condition_variable added_;
    std::vector<std::string> lines_;
};

// The lines of a text, each without its line feed (or with it, keepLineFeeds).
std::vector<std::string> SplitLines(const std::string& text, bool keepLineFeeds = false);

// A line without its time stamp, which must be local ISO 8601 time with milliseconds; the
// line as it is, marked, when it has none.
std::string WithoutTime(const std::string& line);
std::vector<std::string> WithoutTimes(const std::vector<std::string>& lines);

}  // namespace tracetest
