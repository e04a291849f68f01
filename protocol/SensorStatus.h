#pragma once

#include <array>
#include <cstdint>

#include "protocol/SensorIndex.h"

// The five condition bytes of a status reply; bit n of a byte stands for sensor n.
class SensorStatus {
  public:
    enum class Condition : std::int32_t {
        Enabled = 0,
        Trained = 1,
        Shorted = 2,
        Opened = 3,
        Covered = 4,
    };
    static constexpr std::size_t kConditionCount = 5;

    SensorStatus() = default;
    explicit SensorStatus(const std::array<std::uint8_t, kConditionCount>& bytes) : bytes_(bytes) {}

    std::uint8_t Byte(Condition condition) const {
        return bytes_[static_cast<std::size_t>(condition)];
    }
    // False for a sensor outside 0 to 7.
    bool Holds(Condition condition, SensorIndex sensor) const;

    bool operator==(const SensorStatus&) const = default;

  private:
    std::array<std::uint8_t, kConditionCount> bytes_{};
};
