#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>

// The card's replies to one survey, as they came; nothing where no reply came or the query
// was never sent (a survey cancelled, or its line lost).
struct SurveyReplies {
    static constexpr int kSensorCount = 8;
    // The status query, then each sensor's voltage, current and trip point queries.
    static constexpr int kQueryCount = 1 + 3 * kSensorCount;

    struct Sensor {
        std::optional<std::string> voltage;
        std::optional<std::string> current;
        std::optional<std::string> tripPoint;
    };

    // What became of one query beside its value.
    struct Query {
        bool sent = false;
        bool waitEnded = false;  // its wait ended (or its line was lost) before it was answered
        // A line that came in the query's place and has no answer's shape, as it came.
        std::optional<std::string> unreadable;
        // How long after the query its answer came, when that was past the wait.
        std::optional<std::chrono::milliseconds> lateBy;
    };

    std::optional<std::string> status;
    std::array<Sensor, kSensorCount> sensors;
    std::array<Query, kQueryCount> queries;  // in the order sent: status, then 0VQ 0CQ 0TQ ...
    // The longest a value took to come, and the wait the survey ended with.
    std::chrono::milliseconds slowestReply{0};
    std::chrono::milliseconds lastWait{0};
    bool lineLost = false;
};
