#include "controls/NumericEditRules.h"

#include <algorithm>
#include <charconv>

namespace {

using Position = std::string::size_type;

bool InsideBounds(const std::string& text, const NumericLimits& limits) {
    const double value = NumericTextValue(text);
    return limits.lowerBound < value && value < limits.upperBound;
}

bool StartsWithMinus(const std::string& text) {
    return !text.empty() && text.front() == '-';
}

std::size_t IntegerDigitCount(const std::string& text) {
    const Position point = text.find(kDecimalPoint);
    std::size_t count = point == std::string::npos ? text.size() : point;
    if (StartsWithMinus(text)) {
        --count;
    }
    return count;
}

std::size_t FractionDigitCount(const std::string& text) {
    const Position point = text.find(kDecimalPoint);
    return point == std::string::npos ? 0 : text.size() - point - 1;
}

NumericEditOutcome Refused() {
    return {};
}

NumericEditOutcome Accepted(std::string text, int caret) {
    return {true, std::move(text), caret};
}

bool WithinDigitCounts(const std::string& text, const NumericLimits& limits) {
    return IntegerDigitCount(text) <= limits.integerDigits &&
           FractionDigitCount(text) <= limits.fractionDigits;
}

// The sign may replace a selection, the decimal point with it ("." of ".444" gives "-444"),
// and it makes a positive value negative: the result is held to the limits as a digit's is.
NumericEditOutcome TypeMinus(const NumericEditState& state, const std::string& result,
                             const NumericLimits& limits) {
    const bool allowed = limits.lowerBound < 0 && state.selectionStart == 0 &&
                         !(StartsWithMinus(state.text) && state.selectionEnd == 0);
    if (!allowed || !WithinDigitCounts(result, limits) || !InsideBounds(result, limits)) {
        return Refused();
    }
    return Accepted(result, 1);
}

NumericEditOutcome TypeDigit(const NumericEditState& state, const std::string& result,
                             const NumericLimits& limits) {
    const std::string& text = state.text;
    const auto s = static_cast<Position>(state.selectionStart);
    if (s == 0 && state.selectionEnd == 0 && StartsWithMinus(text)) {
        return Refused();
    }
    if (!text.empty()) {
        const Position point = text.find(kDecimalPoint);
        const bool intoFraction = point != std::string::npos && point < s;
        if (intoFraction) {
            if (FractionDigitCount(result) > limits.fractionDigits) {
                return Refused();
            }
        } else if (IntegerDigitCount(result) > limits.integerDigits) {
            return Refused();
        }
    }
    if (!InsideBounds(result, limits)) {
        return Refused();
    }
    return Accepted(result, state.selectionStart + 1);
}

NumericEditOutcome TypeDecimalPoint(const NumericEditState& state, const std::string& result,
                                    const NumericLimits& limits) {
    if (limits.fractionDigits == 0) {
        return Refused();
    }
    const std::string& text = state.text;
    // No point goes in front of the minus sign, and moving the point may not push more digits
    // into the fraction than it may hold.
    if (state.selectionEnd == 0 && StartsWithMinus(text)) {
        return Refused();
    }
    if (FractionDigitCount(result) > limits.fractionDigits) {
        return Refused();
    }
    const Position point = text.find(kDecimalPoint);
    const auto s = static_cast<Position>(state.selectionStart);
    const auto e = static_cast<Position>(state.selectionEnd);
    const bool pointReplaced = point != std::string::npos && s <= point && point < e;
    if (point != std::string::npos && !pointReplaced) {
        return Refused();
    }
    // A point over a selection can move digits up into the integer part: "10.009" with ".00"
    // selected gives "10.9".
    if (!InsideBounds(result, limits)) {
        return Refused();
    }
    return Accepted(result, state.selectionStart + 1);
}

// Deleting the characters [from, to) of the text, under the backspace rule.
NumericEditOutcome DeleteRange(const std::string& text, int from, int to,
                               const NumericLimits& limits) {
    std::string result = text;
    result.erase(static_cast<Position>(from), static_cast<Position>(to - from));
    if (result.empty()) {
        return Accepted(result, from);
    }
    if (!InsideBounds(result, limits)) {
        return Refused();
    }
    const Position point = text.find(kDecimalPoint);
    const bool removesPoint = point != std::string::npos && static_cast<Position>(from) <= point &&
                              point < static_cast<Position>(to);
    if (removesPoint && IntegerDigitCount(result) > limits.integerDigits) {
        return Refused();
    }
    return Accepted(result, from);
}

NumericEditOutcome Backspace(const NumericEditState& state, const NumericLimits& limits) {
    if (state.selectionStart < state.selectionEnd) {
        return DeleteRange(state.text, state.selectionStart, state.selectionEnd, limits);
    }
    if (state.selectionStart == 0) {
        return Refused();  // nothing before the caret
    }
    return DeleteRange(state.text, state.selectionStart - 1, state.selectionStart, limits);
}

NumericEditOutcome DeleteKey(const NumericEditState& state, const NumericLimits& limits) {
    if (state.selectionStart < state.selectionEnd) {
        return DeleteRange(state.text, state.selectionStart, state.selectionEnd, limits);
    }
    if (static_cast<Position>(state.selectionStart) >= state.text.size()) {
        return Refused();  // caret at the end: nothing after it
    }
    return DeleteRange(state.text, state.selectionStart, state.selectionStart + 1, limits);
}

// Keeps a selection inside the text, in order.
NumericEditState Normalised(const NumericEditState& state) {
    NumericEditState normal = state;
    const int length = static_cast<int>(state.text.size());
    normal.selectionStart =
        std::clamp(std::min(state.selectionStart, state.selectionEnd), 0, length);
    normal.selectionEnd = std::clamp(std::max(state.selectionStart, state.selectionEnd), 0, length);
    return normal;
}

}  // namespace

double NumericTextValue(const std::string& text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : 0.0;
}

NumericEditOutcome ApplyNumericKey(const NumericEditState& given, NumericKey key,
                                   const NumericLimits& limits) {
    const NumericEditState state = Normalised(given);
    if (key.kind == NumericKey::Kind::Delete) {
        return DeleteKey(state, limits);
    }
    const char c = key.character;
    if (c == kBackspace) {
        return Backspace(state, limits);
    }
    const auto s = static_cast<Position>(state.selectionStart);
    const auto e = static_cast<Position>(state.selectionEnd);
    const std::string result = state.text.substr(0, s) + c + state.text.substr(e);
    if (c == '-') {
        return TypeMinus(state, result, limits);
    }
    if (c >= '0' && c <= '9') {
        return TypeDigit(state, result, limits);
    }
    if (c == kDecimalPoint) {
        return TypeDecimalPoint(state, result, limits);
    }
    return Refused();
}
