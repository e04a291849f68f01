#pragma once

#include <optional>
#include <string_view>

namespace platform {

enum class Parity { None, Even, Odd, Mark, Space };

// Line parameters of a serial device, as the positional mode text gives them.
struct LineMode {
    int baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;

    bool operator==(const LineMode&) const = default;
};

// Parses the 8-character mode text "BB,p,d,s": a two-digit baud code (11 = 110, 15 = 150,
// 30 = 300, 60 = 600, 12 = 1200, 24 = 2400, 48 = 4800, 96 = 9600, 19 = 19200), parity
// n/e/o/m/s in either case, data bits 5 to 8, stop bits 1 or 2, commas at characters 3, 5
// and 7. Anything else yields nothing.
std::optional<LineMode> ParseLineMode(std::string_view modeText);

}  // namespace platform
