#include "platform/LineMode.h"

#include <array>
#include <utility>

namespace platform {

namespace {

std::optional<int> BaudFromCode(std::string_view code) {
    static constexpr std::array<std::pair<std::string_view, int>, 9> kRates{{
        {"11", 110},
        {"15", 150},
        {"30", 300},
        {"60", 600},
        {"12", 1200},
        {"24", 2400},
        {"48", 4800},
        {"96", 9600},
        {"19", 19200},
    }};
    for (const auto& [text, rate] : kRates) {
        if (text == code) {
            return rate;
        }
    }
    return std::nullopt;
}

std::optional<Parity> ParityFromLetter(char letter) {
    switch (letter) {
        case 'n':
        case 'N':
            return Parity::None;
        case 'e':
        case 'E':
            return Parity::Even;
        case 'o':
        case 'O':
            return Parity::Odd;
        case 'm':
        case 'M':
            return Parity::Mark;
        case 's':
        case 'S':
            return Parity::Space;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<LineMode> ParseLineMode(std::string_view modeText) {
    if (modeText.size() != 8 || modeText[2] != ',' || modeText[4] != ',' || modeText[6] != ',') {
        return std::nullopt;
    }
    const auto baud = BaudFromCode(modeText.substr(0, 2));
    const auto parity = ParityFromLetter(modeText[3]);
    const char data = modeText[5];
    const char stop = modeText[7];
    if (!baud || !parity || data < '5' || data > '8' || (stop != '1' && stop != '2')) {
        return std::nullopt;
    }
    LineMode mode;
    mode.baudRate = *baud;
    mode.parity = *parity;
    mode.dataBits = data - '0';
    mode.stopBits = stop - '0';
    return mode;
}

}  // namespace platform
