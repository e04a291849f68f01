#include "trace/TraceFormat.h"

#include <cstdio>
#include <ctime>

namespace trace {

namespace {

constexpr int kMillisecondsPerSecond = 1000;

std::string HexEscape(unsigned char byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

}  // namespace

std::string EscapeBytes(std::string_view bytes) {
    std::string escaped;
    escaped.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
            case '\r':
                escaped += "\\r";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\0':
                escaped += "\\0";
                break;
            default:
                if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
                    escaped += c;
                } else {
                    escaped += HexEscape(byte);
                }
        }
    }
    return escaped;
}

std::string FormatLocalTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(time.time_since_epoch());
    const std::time_t seconds = duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto milliseconds = static_cast<int>(sinceEpoch.count() % kMillisecondsPerSecond);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", milliseconds < 0 ? 0 : milliseconds);
    return std::string(text, length) + fraction;
}

std::string FormatTransferLine(std::chrono::system_clock::time_point time, const std::string& port,
                               std::string_view what, std::string_view bytes) {
    return FormatLocalTime(time) + ' ' + port + ' ' + std::string(what) + ' ' + EscapeBytes(bytes);
}

std::string FormatNoteLine(std::chrono::system_clock::time_point time, const std::string& text) {
    return FormatLocalTime(time) + ' ' + text;
}

}  // namespace trace
