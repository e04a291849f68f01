#pragma once

#include <array>
#include <optional>
#include <string>

// The card's replies to one survey, as they came; nothing where no reply came or the query
// was never sent (a survey cancelled).
struct SurveyReplies {
    static constexpr int kSensorCount = 8;

    struct Sensor {
        std::optional<std::string> voltage;
        std::optional<std::string> current;
        std::optional<std::string> tripPoint;
    };

    std::optional<std::string> status;
    std::array<Sensor, kSensorCount> sensors;
};
