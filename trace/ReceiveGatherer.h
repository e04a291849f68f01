#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trace/TraceEvent.h"

namespace trace {

// Gathers the chunks a port receives into lines, each up to and including a line feed. A
// partial line is given out once no byte has come for the idle time. An entry carries the
// time of its last byte.
//
// An entry keeps at most kLongestLine bytes before its line feed; the rest of a longer line is
// dropped, and a note after the entry counts it.
class ReceiveGatherer {
  public:
    static constexpr std::size_t kLongestLine = 4096;

    explicit ReceiveGatherer(std::chrono::milliseconds idleTime);

    // The complete lines the chunk ends (with their notes).
    std::vector<TraceEvent> Add(const TraceEvent& chunk);
    // The port's partial line, if any, at once (before a write to it, say).
    std::vector<TraceEvent> TakePartial(const std::string& port);
    // The partial lines idle for the idle time at now.
    std::vector<TraceEvent> TakeIdle(std::chrono::steady_clock::time_point now);
    std::vector<TraceEvent> TakeAll();
    // When the oldest partial line falls idle; none without one.
    std::optional<std::chrono::steady_clock::time_point> NextDeadline() const;

  private:
    struct Gathering {
        TraceEvent line;
        std::uint64_t dropped = 0;  // bytes beyond kLongestLine
    };

    static void Append(Gathering& gathering, std::string_view bytes);
    // The entry, then the note of what it dropped.
    static void GiveOut(Gathering& gathering, std::vector<TraceEvent>& out);

    const std::chrono::milliseconds idleTime_;
    std::map<std::string, Gathering> partial_;  // by port
};

}  // namespace trace
