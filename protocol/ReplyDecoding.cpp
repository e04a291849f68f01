#include "protocol/ReplyDecoding.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace protocol {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::int32_t HexReplyValue(std::string_view reply) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (const char c : reply) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            break;
        }
        value = value * 16 + digit;
        if (value > kMax) {
            return static_cast<std::int32_t>(kMax);
        }
    }
    return static_cast<std::int32_t>(value);
}

std::string HexReplyText(std::string_view reply) {
    std::string text = "0x";
    text.append(reply);
    return text;
}

double VoltsFromCode(std::int32_t code) {
    return static_cast<double>(code) * kVoltsPerCount;
}

double MilliampsFromCode(std::int32_t code) {
    return static_cast<double>(code) * kMilliampsPerCount;
}

double VoltsFromReply(std::string_view reply) {
    return VoltsFromCode(HexReplyValue(reply));
}

double MilliampsFromReply(std::string_view reply) {
    return MilliampsFromCode(HexReplyValue(reply));
}

bool IsNotTrained(std::string_view reply) {
    return reply.find(kNotTrained) != reply.npos;
}

std::uint8_t StatusDigitValue(char c) {
    const auto code = static_cast<std::int8_t>(c);
    const int offset = code <= static_cast<std::int8_t>('9') ? 0x30 : 0x37;
    return static_cast<std::uint8_t>(code - offset);
}

std::optional<SensorStatus> DecodeStatusReply(std::string_view reply) {
    if (reply.size() < kStatusReplyLength) {
        return std::nullopt;
    }
    std::array<std::uint8_t, SensorStatus::kConditionCount> bytes{};
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const std::uint8_t high = StatusDigitValue(reply[3 * k]);
        const std::uint8_t low = StatusDigitValue(reply[3 * k + 1]);
        bytes[k] = static_cast<std::uint8_t>((high << 4) | low);
    }
    return SensorStatus(bytes);
}

std::string FormatFixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    }
    // Enough for any double in fixed notation with a modest number of decimals.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc{}) {
        return {};
    }
    return std::string(buffer.data(), result.ptr);
}

}  // namespace protocol
