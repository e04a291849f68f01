#include "trace/ReceiveGatherer.h"

#include <algorithm>

namespace trace {

namespace {

constexpr char kLineFeed = '\n';

}  // namespace

ReceiveGatherer::ReceiveGatherer(std::chrono::milliseconds idleTime) : idleTime_(idleTime) {}

// Only the chunk is scanned: the bytes gathered before it hold no line feed.
std::vector<TraceEvent> ReceiveGatherer::Add(const TraceEvent& chunk) {
    std::vector<TraceEvent> lines;
    const auto [found, fresh] = partial_.try_emplace(chunk.port);
    Gathering& gathering = found->second;
    if (fresh) {
        gathering.line = TraceEvent{chunk.kind, chunk.port, {}, chunk.time, chunk.steadyTime};
    }
    gathering.line.time = chunk.time;
    gathering.line.steadyTime = chunk.steadyTime;
    std::string_view rest = chunk.bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find(kLineFeed);
        if (end == std::string_view::npos) {
            Append(gathering, rest);
            break;
        }
        Append(gathering, rest.substr(0, end));
        gathering.line.bytes.push_back(kLineFeed);
        GiveOut(gathering, lines);
        rest.remove_prefix(end + 1);
    }
    if (gathering.line.bytes.empty()) {
        partial_.erase(found);
    }
    return lines;
}

void ReceiveGatherer::Append(Gathering& gathering, std::string_view bytes) {
    std::string& line = gathering.line.bytes;
    const std::size_t room = kLongestLine - std::min(line.size(), kLongestLine);
    const std::size_t kept = std::min(room, bytes.size());
    line.append(bytes.substr(0, kept));
    gathering.dropped += bytes.size() - kept;
}

void ReceiveGatherer::GiveOut(Gathering& gathering, std::vector<TraceEvent>& out) {
    out.push_back(gathering.line);
    if (gathering.dropped > 0) {
        out.push_back(TraceEvent{TraceEvent::Kind::Note,
                                 {},
                                 "trace: " + gathering.line.port + " line longer than " +
                                     std::to_string(kLongestLine) + " bytes, " +
                                     std::to_string(gathering.dropped) + " bytes dropped",
                                 gathering.line.time,
                                 gathering.line.steadyTime});
    }
    gathering.line.bytes.clear();
    gathering.dropped = 0;
}

std::vector<TraceEvent> ReceiveGatherer::TakePartial(const std::string& port) {
    std::vector<TraceEvent> lines;
    const auto found = partial_.find(port);
    if (found != partial_.end()) {
        GiveOut(found->second, lines);
        partial_.erase(found);
    }
    return lines;
}

std::vector<TraceEvent> ReceiveGatherer::TakeIdle(std::chrono::steady_clock::time_point now) {
    std::vector<TraceEvent> lines;
    for (auto it = partial_.begin(); it != partial_.end();) {
        if (now - it->second.line.steadyTime >= idleTime_) {
            GiveOut(it->second, lines);
            it = partial_.erase(it);
        } else {
            ++it;
        }
    }
    return lines;
}

std::vector<TraceEvent> ReceiveGatherer::TakeAll() {
    std::vector<TraceEvent> lines;
    for (auto& [port, gathering] : partial_) {
        GiveOut(gathering, lines);
    }
    partial_.clear();
    return lines;
}

std::optional<std::chrono::steady_clock::time_point> ReceiveGatherer::NextDeadline() const {
    std::optional<std::chrono::steady_clock::time_point> next;
    for (const auto& [port, gathering] : partial_) {
        const auto deadline = gathering.line.steadyTime + idleTime_;
        if (!next || deadline < *next) {
            next = deadline;
        }
    }
    return next;
}

}  // namespace trace
