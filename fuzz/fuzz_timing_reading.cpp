// The timing test's hexadecimal readings: decoded exactly when six hexadecimal digits, to the
// value strtoul reads; the next slot's reading comes back to the start after four steps and
// changes only the slot bits; intervals undo the subtraction modulo 2^20.

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialogs/TimingReading.h"
#include "fuzz/FuzzCheck.h"

namespace {

bool SixHexDigits(const std::string& text) {
    if (text.size() != 6) {
        return false;
    }
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

void CheckReading(const std::string& text) {
    const auto reading = timing::DecodeReading(text);
    FUZZ_CHECK(reading.has_value() == SixHexDigits(text));
    if (!reading) {
        timing::NextSlotReading(text);  // any text, without a crash
        return;
    }
    const auto value = static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
    FUZZ_CHECK(reading->value == value);
    FUZZ_CHECK(reading->slot == static_cast<int>((value >> 20) & 3));
    FUZZ_CHECK(reading->timeStamp == (value & 0xFFFFF));
    std::string upper = text;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    FUZZ_CHECK(reading->digits == upper);
    FUZZ_CHECK(timing::CellText(*reading) == "0x" + upper);

    std::string digits = reading->digits;
    for (int step = 1; step <= 4; ++step) {
        digits = timing::NextSlotReading(digits);
        const auto next = timing::DecodeReading(digits);
        FUZZ_CHECK(next.has_value());
        FUZZ_CHECK((next->value & ~(3u << 20)) == (value & ~(3u << 20)));
        FUZZ_CHECK(next->slot == (reading->slot + step) % 4);
    }
    FUZZ_CHECK(digits == reading->digits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::uint32_t current = input.ConsumeIntegral<std::uint32_t>();
    const std::uint32_t previous = input.ConsumeIntegral<std::uint32_t>();
    const std::uint32_t interval = timing::IntervalMilliseconds(current, previous);
    FUZZ_CHECK(interval <= 0xFFFFF);
    FUZZ_CHECK(((previous + interval) & 0xFFFFF) == (current & 0xFFFFF));
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%.3f", interval * 0.001);
    FUZZ_CHECK(timing::FormatSeconds(interval * 0.001) == seconds);

    CheckReading(input.ConsumeRemainingBytesAsString());
    return 0;
}
