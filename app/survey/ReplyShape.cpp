#include "app/survey/ReplyShape.h"

#include <algorithm>
#include <cctype>

#include "protocol/ReplyDecoding.h"

namespace survey {

namespace {

constexpr std::size_t kLongestCode = 4;

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

bool LooksLikeStatusReply(std::string_view line) {
    if (line.size() < protocol::kStatusReplyLength) {
        return false;
    }
    for (std::size_t i = 0; i < protocol::kStatusReplyLength; ++i) {
        const bool separator = i % 3 == 2;
        if (separator ? line[i] != ' ' : !IsHexDigit(line[i])) {
            return false;
        }
    }
    return true;
}

bool LooksLikeValueReply(std::string_view line) {
    if (protocol::IsNotTrained(line)) {
        return true;
    }
    return !line.empty() && line.size() <= kLongestCode &&
           std::all_of(line.begin(), line.end(), IsHexDigit);
}

}  // namespace survey
