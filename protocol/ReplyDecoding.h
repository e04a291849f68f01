#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/SensorStatus.h"

// Conversions of the card's replies into values, and the fixed-point text the window shows.
// None of them depends on the process locale.
namespace protocol {

inline constexpr double kVoltsPerCount = 0.002442;
inline constexpr double kMilliampsPerCount = 0.0003051851;
// Shortest status reply that holds all five bytes: "EE TT SS OO CC".
inline constexpr std::size_t kStatusReplyLength = 14;
inline constexpr std::string_view kNotTrained = "NOT TRAINED";

// The reply read as "0x" + reply by the rules of a 32-bit C string-to-long conversion in
// base 16: hexadecimal digits of either case from the start, up to the first other
// character; 0 without any digit; 0x7FFFFFFF when the digits exceed that.
std::int32_t HexReplyValue(std::string_view reply);

// "0x" + reply: the raw reading as it is shown.
std::string HexReplyText(std::string_view reply);

double VoltsFromCode(std::int32_t code);
double MilliampsFromCode(std::int32_t code);
double VoltsFromReply(std::string_view reply);
// For current and trip point replies alike.
double MilliampsFromReply(std::string_view reply);

// True when the trip point reply says the sensor has no trip point.
bool IsNotTrained(std::string_view reply);

// Value of one status digit character: c - 0x30 up to "9" (compared as a signed 8-bit
// character), c - 0x37 above; 8-bit arithmetic, so any character yields some value.
std::uint8_t StatusDigitValue(char c);

// The five status bytes of a status reply, each from the two characters at 3k and 3k+1.
// A reply shorter than kStatusReplyLength lacks digits and yields no status: the caller
// treats it like no answer.
std::optional<SensorStatus> DecodeStatusReply(std::string_view reply);

// The value with the given number of decimals, rounded as "%.<decimals>f" in the C locale.
std::string FormatFixed(double value, int decimals);

}  // namespace protocol
