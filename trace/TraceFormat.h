#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace trace {

// Printable ASCII as it is; \r, \n, \t and \0 as such; every other byte, and the backslash
// itself (so that the escapes stay unambiguous), as \xNN.
std::string EscapeBytes(std::string_view bytes);

// Local time, ISO 8601 with milliseconds: 2026-12-08T10:15:02.114.
std::string FormatLocalTime(std::chrono::system_clock::time_point time);

// "<time> <port> <what> <escaped bytes>", what ">" for written, "<" for received and "dropped"
// for a queued string a port dropped unsent.
std::string FormatTransferLine(std::chrono::system_clock::time_point time, const std::string& port,
                               std::string_view what, std::string_view bytes);

// "<time> <text>".
std::string FormatNoteLine(std::chrono::system_clock::time_point time, const std::string& text);

}  // namespace trace
