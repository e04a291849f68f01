#include "ExpectedText.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace opstest {

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, again);
    va_end(again);
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

long HexValue(const std::string& reply) {
    return std::strtol(("0x" + reply).c_str(), nullptr, 16);
}

QString Shown(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

namespace {

constexpr double kLevelPerSliderPosition = 0.01;

}  // namespace

// The level the slider gives, times the counts per unit, truncated toward zero.
std::string SetVoltageCommand(int sliderPosition, int sensor) {
    const double volts = sliderPosition * kLevelPerSliderPosition;
    return Format("%.3X%dV\r", static_cast<unsigned>(volts * 409.5), sensor);
}

std::string SetTripPointCommand(int sliderPosition, int sensor) {
    const double milliamps = sliderPosition * kLevelPerSliderPosition;
    return Format("%.4X%dT\r", static_cast<unsigned>(milliamps * 3276.7), sensor);
}

}  // namespace opstest
