#include "trace/ReceiveGatherer.h"

namespace trace {

ReceiveGatherer::ReceiveGatherer(std::chrono::milliseconds idleTime) : idleTime_(idleTime) {}

std::vector<TraceEvent> ReceiveGatherer::Add(const TraceEvent& chunk) {
    std::vector<TraceEvent> lines;
    auto [found, fresh] = partial_.try_emplace(chunk.port, chunk);
    TraceEvent& line = found->second;
    if (!fresh) {
        line.bytes += chunk.bytes;
        line.time = chunk.time;
        line.steadyTime = chunk.steadyTime;
    }
    std::size_t end = 0;
    while ((end = line.bytes.find('\n')) != std::string::npos) {
        TraceEvent complete = line;
        complete.bytes.resize(end + 1);
        lines.push_back(std::move(complete));
        line.bytes.erase(0, end + 1);
    }
    if (line.bytes.empty()) {
        partial_.erase(found);
    }
    return lines;
}

std::optional<TraceEvent> ReceiveGatherer::TakePartial(const std::string& port) {
    const auto found = partial_.find(port);
    if (found == partial_.end()) {
        return std::nullopt;
    }
    TraceEvent line = std::move(found->second);
    partial_.erase(found);
    return line;
}

std::vector<TraceEvent> ReceiveGatherer::TakeIdle(std::chrono::steady_clock::time_point now) {
    std::vector<TraceEvent> lines;
    for (auto it = partial_.begin(); it != partial_.end();) {
        if (now - it->second.steadyTime >= idleTime_) {
            lines.push_back(std::move(it->second));
            it = partial_.erase(it);
        } else {
            ++it;
        }
    }
    return lines;
}

std::vector<TraceEvent> ReceiveGatherer::TakeAll() {
    std::vector<TraceEvent> lines;
    for (auto& [port, line] : partial_) {
        lines.push_back(std::move(line));
    }
    partial_.clear();
    return lines;
}

std::optional<std::chrono::steady_clock::time_point> ReceiveGatherer::NextDeadline() const {
    std::optional<std::chrono::steady_clock::time_point> next;
    for (const auto& [port, line] : partial_) {
        const auto deadline = line.steadyTime + idleTime_;
        if (!next || deadline < *next) {
            next = deadline;
        }
    }
    return next;
}

}  // namespace trace
