#pragma once

#include <array>
#include <string_view>

// The card's fixed target power levels, in list order; a level's code is taken by position.
struct PowerLevel {
    std::string_view text;  // as listed
    std::string_view code;  // four upper-case hexadecimal digits, as sent to the card
};

inline constexpr int kPowerLevelCount = 8;
inline constexpr int kDefaultPowerLevelPosition = 6;

const std::array<PowerLevel, kPowerLevelCount>& PowerLevels();
