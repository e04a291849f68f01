#include "controls/NumericEditRules.h"

#include <algorithm>
#include <charconv>

namespace {

using Position = std::string::size_type;

// Whether the value of the text lies strictly between the bounds, and which it breaks if not.
NumericRefusal BoundsRefusal(const std::string& text, const NumericLimits& limits) {
    const double value = NumericTextValue(text);
    if (value >= limits.upperBound) {
        return NumericRefusal::TooHigh;
    }
    return value <= limits.lowerBound ? NumericRefusal::TooLow : NumericRefusal::None;
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

NumericEditOutcome Refused(NumericRefusal why) {
    return {false, {}, 0, why};
}

NumericEditOutcome Accepted(std::string text, int caret) {
    return {true, std::move(text), caret, NumericRefusal::None};
}

// Accepted when the result's value stays inside the bounds.
NumericEditOutcome WithinBounds(std::string result, int caret, const NumericLimits& limits) {
    const NumericRefusal refusal = BoundsRefusal(result, limits);
    return refusal == NumericRefusal::None ? Accepted(std::move(result), caret) : Refused(refusal);
}

NumericRefusal DigitCountRefusal(const std::string& text, const NumericLimits& limits) {
    if (IntegerDigitCount(text) > limits.integerDigits) {
        return NumericRefusal::TooManyIntegerDigits;
    }
    return FractionDigitCount(text) > limits.fractionDigits ? NumericRefusal::TooManyFractionDigits
                                                            : NumericRefusal::None;
}

// The sign may replace a selection, the decimal point with it ("." of ".444" gives "-444"),
// and it makes a positive value negative: the result is held to the limits as a digit's is.
NumericEditOutcome TypeMinus(const NumericEditState& state, const std::string& result,
                             const NumericLimits& limits) {
    if (limits.lowerBound >= 0) {
        return Refused(NumericRefusal::NoMinusSign);
    }
    if (state.selectionStart != 0 || (StartsWithMinus(state.text) && state.selectionEnd == 0)) {
        return Refused(NumericRefusal::MinusSignFirst);
    }
    if (const NumericRefusal refusal = DigitCountRefusal(result, limits);
        refusal != NumericRefusal::None) {
        return Refused(refusal);
    }
    return WithinBounds(result, 1, limits);
}

NumericEditOutcome TypeDigit(const NumericEditState& state, const std::string& result,
                             const NumericLimits& limits) {
    const std::string& text = state.text;
    const auto s = static_cast<Position>(state.selectionStart);
    if (s == 0 && state.selectionEnd == 0 && StartsWithMinus(text)) {
        return Refused(NumericRefusal::NothingBeforeMinusSign);
    }
    if (!text.empty()) {
        const Position point = text.find(kDecimalPoint);
        const bool intoFraction = point != std::string::npos && point < s;
        if (intoFraction) {
            if (FractionDigitCount(result) > limits.fractionDigits) {
                return Refused(NumericRefusal::TooManyFractionDigits);
            }
        } else if (IntegerDigitCount(result) > limits.integerDigits) {
            return Refused(NumericRefusal::TooManyIntegerDigits);
        }
    }
    return WithinBounds(result, state.selectionStart + 1, limits);
}

NumericEditOutcome TypeDecimalPoint(const NumericEditState& state, const std::string& result,
                                    const NumericLimits& limits) {
    if (limits.fractionDigits == 0) {
        return Refused(NumericRefusal::NoDecimalPoint);
    }
    const std::string& text = state.text;
    // No point goes in front of the minus sign, and moving the point may not push more digits
    // into the fraction than it may hold.
    if (state.selectionEnd == 0 && StartsWithMinus(text)) {
        return Refused(NumericRefusal::NothingBeforeMinusSign);
    }
    const Position point = text.find(kDecimalPoint);
    const auto s = static_cast<Position>(state.selectionStart);
    const auto e = static_cast<Position>(state.selectionEnd);
    const bool pointReplaced = point != std::string::npos && s <= point && point < e;
    if (point != std::string::npos && !pointReplaced) {
        return Refused(NumericRefusal::OneDecimalPoint);
    }
    if (FractionDigitCount(result) > limits.fractionDigits) {
        return Refused(NumericRefusal::TooManyFractionDigits);
    }
    // A point over a selection can move digits up into the integer part: "10.009" with ".00"
    // selected gives "10.9".
    return WithinBounds(result, state.selectionStart + 1, limits);
}

// Deleting the characters [from, to) of the text, under the backspace rule.
NumericEditOutcome DeleteRange(const std::string& text, int from, int to,
                               const NumericLimits& limits) {
    std::string result = text;
    result.erase(static_cast<Position>(from), static_cast<Position>(to - from));
    if (result.empty()) {
        return Accepted(result, from);
    }
    if (const NumericRefusal refusal = BoundsRefusal(result, limits);
        refusal != NumericRefusal::None) {
        return Refused(refusal);
    }
    const Position point = text.find(kDecimalPoint);
    const bool removesPoint = point != std::string::npos && static_cast<Position>(from) <= point &&
                              point < static_cast<Position>(to);
    if (removesPoint && IntegerDigitCount(result) > limits.integerDigits) {
        return Refused(NumericRefusal::TooManyIntegerDigits);
    }
    return Accepted(result, from);
}

NumericEditOutcome Backspace(const NumericEditState& state, const NumericLimits& limits) {
    if (state.selectionStart < state.selectionEnd) {
        return DeleteRange(state.text, state.selectionStart, state.selectionEnd, limits);
    }
    if (state.selectionStart == 0) {
        return Refused(NumericRefusal::NothingToDelete);
    }
    return DeleteRange(state.text, state.selectionStart - 1, state.selectionStart, limits);
}

NumericEditOutcome DeleteKey(const NumericEditState& state, const NumericLimits& limits) {
    if (state.selectionStart < state.selectionEnd) {
        return DeleteRange(state.text, state.selectionStart, state.selectionEnd, limits);
    }
    if (static_cast<Position>(state.selectionStart) >= state.text.size()) {
        return Refused(NumericRefusal::NothingToDelete);
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
    return Refused(NumericRefusal::NotPartOfANumber);
}
