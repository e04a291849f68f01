#include "dialogs/TypedLevel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPositionsPerUnit = 100.0;
// Typed levels differ from a position by a thousandth at least; this only absorbs the
// binary representation of the decimals.
constexpr double kSamePositionTolerance = 1e-6;

bool HasDigit(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<int> TypedLevelPosition(const std::string& text, const NumericLimits& limits,
                                      int maximum) {
    if (!HasDigit(text)) {
        return std::nullopt;
    }
    const double value = NumericTextValue(text);
    if (!(limits.lowerBound < value && value < limits.upperBound)) {
        return std::nullopt;
    }
    const long position = std::lround(value * kPositionsPerUnit);
    return static_cast<int>(std::clamp(position, 0L, static_cast<long>(maximum)));
}

bool PositionKeepsTypedLevel(const std::string& text, int position) {
    return std::abs(NumericTextValue(text) * kPositionsPerUnit - position) < kSamePositionTolerance;
}
