#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The card's 6-digit hexadecimal timing readings and the arithmetic on them. Plain code, no
// widgets: the timing test dialog and its tests both use it.
namespace timing {

constexpr int kReadingDigits = 6;
constexpr int kSlotsPerRow = 4;
constexpr std::uint32_t kTimeStampMask = 0xFFFFF;  // time stamps wrap at 2^20 ms

struct Reading {
    std::uint32_t value = 0;      // the 24-bit reading
    int slot = 0;                 // bits 21-20: the sensor slot within the tube, 0 to 3
    std::uint32_t timeStamp = 0;  // bits 19-0: milliseconds
    std::string digits;           // the six digits in upper case
};

// Decodes exactly six hexadecimal digits (either case); empty for anything else.
std::optional<Reading> DecodeReading(const std::string& text);

// The reading to offer next within a row: the same digits with the first digit's slot bits
// advanced by one modulo 4 and its top two bits kept (1ABCDE gives 2ABCDE, 3ABCDE gives
// 0ABCDE, BABCDE gives 8ABCDE). Expects decoded, upper-case digits.
std::string NextSlotReading(const std::string& digits);

// Milliseconds from the previous time stamp to the current one, modulo 2^20.
std::uint32_t IntervalMilliseconds(std::uint32_t current, std::uint32_t previous);

// An interval in seconds as "%.3f" with a decimal point, whatever the locale.
std::string FormatSeconds(double seconds);

// The cell text of a reading: "0x" and the six upper-case digits.
std::string CellText(const Reading& reading);

}  // namespace timing
