#pragma once

#include <chrono>
#include <string>

namespace trace {

// One thing the trace is told: a string written to a port, a queued string a port dropped
// unsent, a chunk it received, or a note of the trace's own (the port mapping, for instance).
struct TraceEvent {
    enum class Kind { Written, Dropped, Received, Note };

    Kind kind = Kind::Note;
    std::string port;
    std::string bytes;  // the note's text for a note
    std::chrono::system_clock::time_point time = std::chrono::system_clock::now();
    std::chrono::steady_clock::time_point steadyTime = std::chrono::steady_clock::now();
};

}  // namespace trace
