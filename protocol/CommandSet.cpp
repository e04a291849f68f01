#include "protocol/CommandSet.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace protocol {

namespace {

constexpr double kVoltageCountsPerVolt = 409.5;
constexpr double kTripCountsPerMilliamp = 3276.7;

// Truncates toward zero, saturating at the 32-bit limits; a NaN gives 0.
std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double truncated = std::trunc(value);
    if (truncated <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (truncated >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(truncated);
}

std::string SensorCommand(SensorIndex sensor, const char* letters) {
    return Decimal(sensor) + letters;
}

char TubeLetter(bool rightTube) {
    return rightTube ? 'R' : 'L';
}

}  // namespace

std::int32_t VoltageCode(double volts) {
    return TruncateToInt32(volts * kVoltageCountsPerVolt);
}

std::int32_t TripCode(double milliamps) {
    return TruncateToInt32(milliamps * kTripCountsPerMilliamp);
}

std::string UppercaseHex(std::int32_t value, int minDigits) {
    char digits[16];
    const auto pattern = static_cast<std::uint32_t>(value);
    const auto end = std::to_chars(digits, digits + sizeof digits, pattern, 16).ptr;
    std::string text(digits, end);
    for (char& c : text) {
        if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (static_cast<int>(text.size()) < minDigits) {
        text.insert(0, static_cast<std::size_t>(minDigits) - text.size(), '0');
    }
    return text;
}

std::string Decimal(std::int32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return std::string(digits, end);
}

std::string GoOnlineText() {
    return "N";
}

std::string GoOfflineText() {
    return "M";
}

std::string TrainSensorText(SensorIndex sensor) {
    return SensorCommand(sensor, "L");
}

std::string SetVoltageText(double volts, SensorIndex sensor) {
    return UppercaseHex(VoltageCode(volts), 3) + Decimal(sensor) + "V";
}

std::string SetTripPointText(double milliamps, SensorIndex sensor) {
    return UppercaseHex(TripCode(milliamps), 4) + Decimal(sensor) + "T";
}

std::string SaveTrainingDataText(std::int32_t bin) {
    return UppercaseHex(bin & 0xFF, 2) + "S";
}

std::string RestoreTrainingDataText(std::int32_t bin) {
    return UppercaseHex(bin & 0xFF, 2) + "R";
}

std::string SetPowerLevelText(const std::string& code) {
    return code + "P";
}

std::string QueryTripPointText(SensorIndex sensor) {
    return SensorCommand(sensor, "TQ");
}

std::string QueryCurrentText(SensorIndex sensor) {
    return SensorCommand(sensor, "CQ");
}

std::string AdjustTripPointText(SensorIndex sensor) {
    return SensorCommand(sensor, "A");
}

std::string QueryVoltageText(SensorIndex sensor) {
    return SensorCommand(sensor, "VQ");
}

std::string StartDumpText(bool rightTube) {
    return SetSensorReportingText(false, rightTube);
}

std::string StopDumpText() {
    return "M";
}

std::string SetSensorReportingText(bool enable, bool rightTube) {
    return std::string{TubeLetter(rightTube), enable ? 'E' : 'D'};
}

std::string QueryStatusText() {
    return "SQ";
}

}  // namespace protocol
