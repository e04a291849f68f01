#include "app/survey/ReplyShape.h"

#include <algorithm>
#include <cctype>

#include "protocol/ReplyDecoding.h"

namespace survey {

namespace {

constexpr std::size_t kVoltageDigits = 3;
constexpr std::size_t kCodeDigits = 4;

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsForeign(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte > 0x7E;
}

bool IsCode(std::string_view line, std::size_t digits) {
    return line.size() == digits && std::all_of(line.begin(), line.end(), IsHexDigit);
}

}  // namespace

std::string WithoutForeignBytes(std::string_view line) {
    const auto first = std::find_if_not(line.begin(), line.end(), IsForeign);
    const auto last = std::find_if_not(line.rbegin(), line.rend(), IsForeign).base();
    return first < last ? std::string(first, last) : std::string();
}

bool LooksLikeStatusReply(std::string_view line) {
    if (line.size() != protocol::kStatusReplyLength) {
        return false;
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        const bool separator = i % 3 == 2;
        if (separator ? line[i] != ' ' : !IsHexDigit(line[i])) {
            return false;
        }
    }
    return true;
}

bool FitsValueQuery(std::string_view line, ReplyKind kind) {
    switch (kind) {
        case ReplyKind::Voltage:
            return IsCode(line, kVoltageDigits);
        case ReplyKind::Current:
            return IsCode(line, kCodeDigits);
        case ReplyKind::TripPoint:
            return IsCode(line, kCodeDigits) || protocol::IsNotTrained(line);
        case ReplyKind::Status:
            return LooksLikeStatusReply(line);
    }
    return false;
}

}  // namespace survey
