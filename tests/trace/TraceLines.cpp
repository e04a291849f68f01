#include "TraceLines.h"

#include <regex>

namespace tracetest {

TraceLines::TraceLines(trace::TraceHistory& history) : history_(history) {
    subscription_ = history_
                        .Subscribe([this](const std::string& line) {
                            {
                                const std::lock_guard guard(mutex_);
                                lines_.push_back(line);
                            }
                            added_.notify_all();
                        })
                        .id;
}

TraceLines::~TraceLines() {
    history_.Unsubscribe(subscription_);
}

bool TraceLines::WaitFor(std::size_t count, std::chrono::milliseconds deadline) {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, deadline, [&] { return lines_.size() >= count; });
}

std::vector<std::string> TraceLines::Lines() {
    const std::lock_guard guard(mutex_);
    return lines_;
}

std::vector<std::string> SplitLines(const std::string& text, bool keepLineFeeds) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            lines.push_back(keepLineFeeds ? line + c : line);
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

std::string WithoutTime(const std::string& line) {
    static const std::regex stamped(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} (.*)$)");
    std::smatch match;
    if (!std::regex_match(line, match, stamped)) {
        return "(no time stamp) " + line;
    }
    return match[1];
}

std::vector<std::string> WithoutTimes(const std::vector<std::string>& lines) {
    std::vector<std::string> result;
    for (const std::string& line : lines) {
        result.push_back(WithoutTime(line));
    }
    return result;
}

}  // namespace tracetest
