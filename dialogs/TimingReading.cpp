#include "dialogs/TimingReading.h"

#include <array>
#include <cctype>
#include <charconv>

namespace timing {
namespace {

constexpr std::uint32_t kSlotShift = 20;
constexpr std::uint32_t kSlotMask = 3;
constexpr const char* kHexDigits = "0123456789ABCDEF";

int HexValue(char digit) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
    if (upper >= '0' && upper <= '9') {
        return upper - '0';
    }
    if (upper >= 'A' && upper <= 'F') {
        return upper - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<Reading> DecodeReading(const std::string& text) {
    if (text.size() != kReadingDigits) {
        return std::nullopt;
    }
    Reading reading;
    for (const char digit : text) {
        const int value = HexValue(digit);
        if (value < 0) {
            return std::nullopt;
        }
        reading.value = (reading.value << 4) | static_cast<std::uint32_t>(value);
        reading.digits += kHexDigits[value];
    }
    reading.slot = static_cast<int>((reading.value >> kSlotShift) & kSlotMask);
    reading.timeStamp = reading.value & kTimeStampMask;
    return reading;
}

std::string NextSlotReading(const std::string& digits) {
    if (digits.empty() || HexValue(digits.front()) < 0) {
        return digits;
    }
    const int first = HexValue(digits.front());
    const int next = (first & ~static_cast<int>(kSlotMask)) | ((first + 1) & kSlotMask);
    std::string result = digits;
    result.front() = kHexDigits[next];
    return result;
}

std::uint32_t IntervalMilliseconds(std::uint32_t current, std::uint32_t previous) {
    return (current - previous) & kTimeStampMask;
}

std::string FormatSeconds(double seconds) {
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), seconds,
                                            std::chars_format::fixed, 3);
    if (error != std::errc{}) {
        return {};
    }
    return std::string(buffer.data(), end);
}

std::string CellText(const Reading& reading) {
    return "0x" + reading.digits;
}

}  // namespace timing
