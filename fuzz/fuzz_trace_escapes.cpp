// The trace's escapes: the escaped text is printable ASCII only, so a trace line stays one line,
// and unescaping it gives back the bytes exactly.

#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "trace/TraceFormat.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> Unescaped(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
            case 'r':
                bytes.push_back('\r');
                break;
            case 'n':
                bytes.push_back('\n');
                break;
            case 't':
                bytes.push_back('\t');
                break;
            case '0':
                bytes.push_back('\0');
                break;
            case 'x': {
                if (i + 2 >= text.size()) {
                    return std::nullopt;
                }
                const int high = HexValue(text[i + 1]);
                const int low = HexValue(text[i + 2]);
                if (high < 0 || low < 0) {
                    return std::nullopt;
                }
                bytes.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string_view what = input.ConsumeBool() ? ">" : input.ConsumeBool() ? "<" : "dropped";
    // Within what the clock's nanosecond count holds (up to the year 2262).
    const auto milliseconds = input.ConsumeIntegralInRange<std::int64_t>(0, 9'000'000'000'000);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    const std::string escaped = trace::EscapeBytes(bytes);
    for (const char c : escaped) {
        FUZZ_CHECK(c >= 0x20 && c < 0x7F);
    }
    const auto back = Unescaped(escaped);
    FUZZ_CHECK(back.has_value() && *back == bytes);

    const std::chrono::system_clock::time_point time{std::chrono::milliseconds(milliseconds)};
    const std::string stamp = trace::FormatLocalTime(time);
    FUZZ_CHECK(stamp.size() == 23 && stamp[10] == 'T' && stamp[19] == '.');
    const std::string line = trace::FormatTransferLine(time, "COM1", what, bytes);
    FUZZ_CHECK(line == stamp + " COM1 " + std::string(what) + ' ' + escaped);
    return 0;
}
