// The reply decoders. Hexadecimal values against the C library's strtol on "0x" + reply, the
// fixed-point text against printf's "%.Nf", the status reply's bounds and digits.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "protocol/ReplyDecoding.h"

namespace {

std::int32_t StrtolValue(const std::string& reply) {
    const std::string text = "0x" + reply;  // strtol reads up to the first NUL
    const long value = std::strtol(text.c_str(), nullptr, 16);
    return static_cast<std::int32_t>(std::min<long>(value, INT32_MAX));
}

void CheckHexValue(const std::string& reply) {
    FUZZ_CHECK(protocol::HexReplyValue(reply) == StrtolValue(reply));
    FUZZ_CHECK(protocol::HexReplyText(reply) == "0x" + reply);
    FUZZ_CHECK(protocol::VoltsFromReply(reply) ==
               static_cast<double>(StrtolValue(reply)) * 0.002442);
    FUZZ_CHECK(protocol::MilliampsFromReply(reply) ==
               static_cast<double>(StrtolValue(reply)) * 0.0003051851);
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

void CheckStatus(const std::string& reply) {
    const auto status = protocol::DecodeStatusReply(reply);
    FUZZ_CHECK(status.has_value() == (reply.size() >= 14));
    if (!status) {
        return;
    }
    for (int k = 0; k < 5; ++k) {
        const char high = reply[3 * k];
        const char low = reply[3 * k + 1];
        if (!IsUpperHex(high) || !IsUpperHex(low)) {
            continue;
        }
        const char digits[3] = {high, low, '\0'};
        const auto expected = static_cast<std::uint8_t>(std::strtoul(digits, nullptr, 16));
        FUZZ_CHECK(status->Byte(static_cast<SensorStatus::Condition>(k)) == expected);
    }
}

void CheckFixed(double value, int decimals) {
    char expected[512];
    std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
    FUZZ_CHECK(protocol::FormatFixed(value, decimals) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int decimals = input.ConsumeIntegralInRange(0, 6);
    const double raw = input.ConsumeFloatingPoint<double>();
    const std::string reply = input.ConsumeRemainingBytesAsString();
    CheckHexValue(reply);
    CheckStatus(reply);
    CheckFixed(protocol::VoltsFromReply(reply), 3);
    CheckFixed(protocol::MilliampsFromReply(reply), decimals);
    if (std::abs(raw) < 1e100) {
        CheckFixed(raw, decimals);
    }
    FUZZ_CHECK(protocol::IsNotTrained(reply) == (reply.find("NOT TRAINED") != std::string::npos));
    return 0;
}
