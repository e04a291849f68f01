#include "app/DumpSample.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

DumpSample::DumpSample(std::string_view text) {
    fields_[0] = "0x";
    int column = 0;
    const std::size_t examined = std::min(text.size(), kExaminedLength);
    for (std::size_t i = 0; i < examined; ++i) {
        const char c = text[i];
        if (c != ' ') {
            fields_[column] += c;
            continue;
        }
        if (column == kColumns - 1) {
            break;
        }
        fields_[++column] = "0x";
    }
    for (int c = 0; c < kColumns; ++c) {
        currents_[c] = static_cast<double>(CountOf(fields_[c])) * kMilliampsPerCount;
        currentTexts_[c] = FormatCurrent(currents_[c]);
    }
}

std::string DumpSample::FileLine() const {
    std::string line;
    for (int c = 0; c < kColumns; ++c) {
        line += fields_[c];
        line += '\t';
        line += currentTexts_[c];
        line += '\t';
    }
    line += "\r\n";
    return line;
}

std::uint64_t DumpSample::CountOf(std::string_view field) {
    if (field.size() >= 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X')) {
        field.remove_prefix(2);
    }
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t count = 0;
    for (const char c : field) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            break;
        }
        if (count > (kMax - static_cast<std::uint64_t>(digit)) / 16) {
            return kMax;
        }
        count = count * 16 + static_cast<std::uint64_t>(digit);
    }
    return count;
}

std::string DumpSample::FormatCurrent(double milliamps) {
    constexpr std::size_t kWidth = 6;
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, milliamps, std::chars_format::fixed, 3);
    std::string text(digits, result.ptr);
    if (text.size() < kWidth) {
        text.insert(0, kWidth - text.size(), ' ');
    }
    return text;
}
