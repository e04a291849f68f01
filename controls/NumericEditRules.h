#pragma once

#include <cstdint>
#include <string>

// The typing rules of the numeric entry field, free of any widget.

// Limits of a numeric entry field: the value must lie strictly between the bounds.
struct NumericLimits {
    std::uint8_t integerDigits = 0;   // most digits before the decimal point
    std::uint8_t fractionDigits = 0;  // most digits after it; 0 forbids the decimal point
    double lowerBound = 0.0;
    double upperBound = 0.0;
};

// The decimal point of the C numeric conventions; the user's locale never changes it.
inline constexpr char kDecimalPoint = '.';
inline constexpr char kBackspace = '\b';

// A key as the rules see it: a typed character (backspace included) or the Delete key.
struct NumericKey {
    enum class Kind { Character, Delete } kind = Kind::Character;
    char character = 0;

    static NumericKey Typed(char c) { return {Kind::Character, c}; }
    static NumericKey Delete() { return {Kind::Delete, 0}; }
};

// The field's text and selection [start, end); start == end is a caret at start.
struct NumericEditState {
    std::string text;
    int selectionStart = 0;
    int selectionEnd = 0;
};

// Why a key was refused.
enum class NumericRefusal {
    None,
    NothingToDelete,         // backspace at the start, Delete at the end
    NotPartOfANumber,        // a letter, a space, a plus sign...
    NoMinusSign,             // the lower bound is not below 0
    MinusSignFirst,          // a minus sign typed after the start
    NothingBeforeMinusSign,  // a digit or point in front of the minus sign
    TooManyIntegerDigits,
    TooManyFractionDigits,
    NoDecimalPoint,  // the limits allow no fraction
    OneDecimalPoint,
    TooHigh,  // the value would not stay below the upper bound
    TooLow,   // the value would not stay above the lower bound
};

// What a key does: refused keys change nothing; accepted ones give the new text and caret.
struct NumericEditOutcome {
    bool accepted = false;
    std::string text;
    int caret = 0;
    NumericRefusal refusal = NumericRefusal::None;
};

// Applies the rules to one key pressed on the given state.
NumericEditOutcome ApplyNumericKey(const NumericEditState& state, NumericKey key,
                                   const NumericLimits& limits);

// The value of a text as the C library reads it: leading numeric characters count, and a text
// without any (empty, "-", ".") reads 0.
double NumericTextValue(const std::string& text);
