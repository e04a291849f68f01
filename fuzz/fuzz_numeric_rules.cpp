// The numeric entry field's typing rules, key after key from an empty field with any limits.
// Checks: an accepted key gives exactly the spliced text and caret, the text keeps the shape of
// a decimal number, a typed digit keeps the digit limits and the bounds, and the value of a
// text is the C library's strtod.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "controls/NumericEditRules.h"
#include "fuzz/FuzzCheck.h"

namespace {

std::size_t IntegerDigits(const std::string& text) {
    const std::size_t point = text.find('.');
    const std::size_t end = point == std::string::npos ? text.size() : point;
    return end - (text.starts_with("-") ? 1 : 0);
}

std::size_t FractionDigits(const std::string& text) {
    const std::size_t point = text.find('.');
    return point == std::string::npos ? 0 : text.size() - point - 1;
}

void CheckShape(const std::string& text) {
    FUZZ_CHECK(std::count(text.begin(), text.end(), '.') <= 1);
    FUZZ_CHECK(text.find('-', 1) == std::string::npos);
    FUZZ_CHECK(text.find_first_not_of("-.0123456789") == std::string::npos);
}

void CheckValue(const std::string& text) {
    const double expected = std::strtod(text.c_str(), nullptr);
    FUZZ_CHECK(NumericTextValue(text) == expected);
}

NumericKey KeyFrom(FuzzedDataProvider& input) {
    static constexpr char kKeys[] = "0123456789-.\b+ a";
    const int pick = input.ConsumeIntegralInRange(0, static_cast<int>(sizeof kKeys) - 1);
    if (pick == static_cast<int>(sizeof kKeys) - 1) {
        return NumericKey::Delete();
    }
    return NumericKey::Typed(kKeys[pick]);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    NumericLimits limits;
    limits.integerDigits = input.ConsumeIntegral<std::uint8_t>();
    limits.fractionDigits = input.ConsumeIntegral<std::uint8_t>();
    limits.lowerBound = input.ConsumeFloatingPointInRange(-1e6, 1e6);
    limits.upperBound = input.ConsumeFloatingPointInRange(-1e6, 1e6);

    NumericEditState state;
    while (input.remaining_bytes() > 0) {
        const int length = static_cast<int>(state.text.size());
        state.selectionStart = input.ConsumeIntegralInRange(-1, length + 1);
        state.selectionEnd = input.ConsumeIntegralInRange(-1, length + 1);
        const NumericKey key = KeyFrom(input);
        const NumericEditOutcome outcome = ApplyNumericKey(state, key, limits);
        if (!outcome.accepted) {
            continue;
        }
        const int s = std::clamp(std::min(state.selectionStart, state.selectionEnd), 0, length);
        const int e = std::clamp(std::max(state.selectionStart, state.selectionEnd), 0, length);
        const bool typed = key.kind == NumericKey::Kind::Character && key.character != '\b';
        if (typed) {
            FUZZ_CHECK(outcome.text ==
                       state.text.substr(0, s) + key.character + state.text.substr(e));
            FUZZ_CHECK(outcome.caret == s + 1);
        } else {
            FUZZ_CHECK(outcome.text.size() < state.text.size());
            FUZZ_CHECK(outcome.caret >= 0 && outcome.caret <= s);
        }
        if (typed && key.character >= '0' && key.character <= '9') {
            const std::size_t point = state.text.find('.');
            const bool intoFraction =
                point != std::string::npos && point < static_cast<std::size_t>(s);
            // The first digit of an empty field is not counted.
            FUZZ_CHECK(state.text.empty() ||
                       (intoFraction ? FractionDigits(outcome.text) <= limits.fractionDigits
                                     : IntegerDigits(outcome.text) <= limits.integerDigits));
            const double value = NumericTextValue(outcome.text);
            FUZZ_CHECK(limits.lowerBound < value && value < limits.upperBound);
        }
        state.text = outcome.text;
        CheckShape(state.text);
        CheckValue(state.text);
    }
    return 0;
}
