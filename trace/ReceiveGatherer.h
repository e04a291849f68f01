#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "trace/TraceEvent.h"

namespace trace {

// Gathers the chunks a port receives into lines, each up to and including a line feed. A
// partial line is given out once no byte has come for the idle time. An entry carries the
// time of its last byte.
class ReceiveGatherer {
  public:
    explicit ReceiveGatherer(std::chrono::milliseconds idleTime);

    // The complete lines the chunk ends.
    std::vector<TraceEvent> Add(const TraceEvent& chunk);
    // The port's partial line, if any, at once (before a write to it, say).
    std::optional<TraceEvent> TakePartial(const std::string& port);
    // The partial lines idle for the idle time at now.
    std::vector<TraceEvent> TakeIdle(std::chrono::steady_clock::time_point now);
    std::vector<TraceEvent> TakeAll();
    // When the oldest partial line falls idle; none without one.
    std::optional<std::chrono::steady_clock::time_point> NextDeadline() const;

  private:
    const std::chrono::milliseconds idleTime_;
    std::map<std::string, TraceEvent> partial_;  // by port
};

}  // namespace trace
