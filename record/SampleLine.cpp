#include "record/SampleLine.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace {

constexpr int kMostOffsetHours = 14;
constexpr std::size_t kMostNumberLength = 32;
// Up to 15 digits are below 2^53, and 10^0 to 10^15 are exact doubles.
constexpr std::size_t kMostExactDigits = 15;
constexpr std::array<double, kMostExactDigits + 1> kPowersOfTen{
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A number token of JSON's grammar as the full parse reads it: none for what it refuses (out
// of range, below a normal double) or reads otherwise (a negative zero becomes 0).
std::optional<double> Converted(std::string_view token) {
    if (token.size() > kMostNumberLength) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    if (value == 0.0 ? token.front() == '-' : std::fabs(value) < DBL_MIN) {
        return std::nullopt;
    }
    return value;
}

// integer.fraction (digits only, at most kMostExactDigits in all): the digits and the power of
// ten are exact doubles, so their quotient is rounded once, as a full conversion rounds it.
double ExactDecimal(std::string_view integer, std::string_view fraction) {
    std::uint64_t digits = 0;
    for (const std::string_view part : {integer, fraction}) {
        for (const char c : part) {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        }
    }
    return static_cast<double>(digits) / kPowersOfTen[fraction.size()];
}

// Printable ASCII without a backslash: a string JSON reads as it stands.
bool IsPlain(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c >= 0x20 && c <= 0x7e && c != '\\'; });
}

// Walks the line; every step either takes what it expects or fails, and a failed line is left
// to the full parse.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ == text_.size(); }
    bool Take(char c) {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    // The text up to the next quote, both quotes taken. Escapes are not looked at: what the
    // text must be is checked by its reader (a known word, a strict time, IsPlain).
    std::optional<std::string_view> Quoted() {
        if (!Take('"')) {
            return std::nullopt;
        }
        const std::string_view rest = text_.substr(at_);
        const std::size_t end = rest.find('"');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        at_ += end + 1;
        return rest.substr(0, end);
    }
    // A number in JSON's grammar, normal or zero, as the full parse reads it.
    std::optional<double> Number() {
        const std::size_t start = at_;
        const bool negative = Take('-');
        const std::size_t integerStart = at_;
        if (!Take('0') && !Digits()) {
            return std::nullopt;
        }
        const std::size_t integerEnd = at_;
        std::size_t fractionStart = at_;
        if (Take('.')) {
            fractionStart = at_;
            if (!Digits()) {
                return std::nullopt;
            }
        }
        const std::size_t fractionEnd = at_;
        if (Take('e') || Take('E')) {
            if (!Take('+')) {
                Take('-');
            }
            if (!Digits()) {
                return std::nullopt;
            }
            return Converted(text_.substr(start, at_ - start));
        }
        const std::string_view integer = text_.substr(integerStart, integerEnd - integerStart);
        const std::string_view fraction = text_.substr(fractionStart, fractionEnd - fractionStart);
        const bool zero =
            integer == "0" && fraction.find_first_not_of('0') == std::string_view::npos;
        if (integer.size() + fraction.size() > kMostExactDigits || (negative && zero)) {
            return Converted(text_.substr(start, at_ - start));
        }
        const double value = ExactDecimal(integer, fraction);
        return negative ? -value : value;
    }
    // "[a,b,c,d]" of exactly as many numbers as values holds.
    template <std::size_t N>
    bool Numbers(std::array<double, N>& values) {
        if (!Take('[')) {
            return false;
        }
        for (std::size_t i = 0; i < N; ++i) {
            const std::optional<double> value = Number();
            if (!value || !Take(i + 1 < N ? ',' : ']')) {
                return false;
            }
            values[i] = *value;
        }
        return true;
    }

  private:
    bool Digits() {
        const std::size_t start = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            ++at_;
        }
        return at_ > start;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// Digits at [from, from + count) of text as a number; -1 if any is not a digit.
int Field(std::string_view text, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool Separators(std::string_view text, std::initializer_list<std::pair<std::size_t, char>> at) {
    for (const auto& [index, c] : at) {
        if (text[index] != c) {
            return false;
        }
    }
    return true;
}

// "2026-12-08T10:00:00.900+01:00" or "2026-12-08T10:00:00.900Z": the instant and the offset.
bool ParseTime(std::string_view text, qint64& msecsSinceEpoch, int& offsetSeconds) {
    constexpr std::size_t kBase = 23;  // up to the milliseconds
    if (text.size() != kBase + 1 && text.size() != kBase + 6) {
        return false;
    }
    if (!Separators(text, {{4, '-'}, {7, '-'}, {10, 'T'}, {13, ':'}, {16, ':'}, {19, '.'}})) {
        return false;
    }
    const QDate date(Field(text, 0, 4), Field(text, 5, 2), Field(text, 8, 2));
    const int hour = Field(text, 11, 2);
    const int minute = Field(text, 14, 2);
    const int second = Field(text, 17, 2);
    const int msec = Field(text, 20, 3);
    if (Field(text, 0, 4) < 1 || !date.isValid() || !QTime::isValid(hour, minute, second, msec)) {
        return false;
    }
    offsetSeconds = 0;
    if (text.size() == kBase + 1) {
        if (text[kBase] != 'Z') {
            return false;
        }
    } else {
        const char sign = text[kBase];
        const int offsetHours = Field(text, kBase + 1, 2);
        const int offsetMinutes = Field(text, kBase + 4, 2);
        if ((sign != '+' && sign != '-') || text[kBase + 3] != ':' || offsetHours < 0 ||
            offsetHours > kMostOffsetHours || offsetMinutes < 0 || offsetMinutes > 59) {
            return false;
        }
        offsetSeconds = (sign == '-' ? -1 : 1) * (offsetHours * 3600 + offsetMinutes * 60);
    }
    constexpr qint64 kUnixEpochJulianDay = 2440588;
    const qint64 days = date.toJulianDay() - kUnixEpochJulianDay;
    const qint64 seconds = ((days * 24 + hour) * 60 + minute) * 60 + second - offsetSeconds;
    msecsSinceEpoch = seconds * 1000 + msec;
    return true;
}

}  // namespace

std::optional<SampleLine> SampleLine::Parse(QByteArrayView line) {
    Cursor cursor(std::string_view(line.data(), static_cast<std::size_t>(line.size())));
    if (!cursor.Take('{')) {
        return std::nullopt;
    }
    SampleLine sample;
    bool event = false;
    bool time = false;
    bool milliamps = false;
    bool port = false;
    bool device = false;
    do {
        const std::optional<std::string_view> key = cursor.Quoted();
        if (!key || !cursor.Take(':')) {
            return std::nullopt;
        }
        bool* seen = nullptr;
        bool taken = false;
        if (*key == "event") {
            seen = &event;
            taken = cursor.Quoted() == std::string_view("dump_sample");
        } else if (*key == "time") {
            seen = &time;
            const std::optional<std::string_view> text = cursor.Quoted();
            taken = text && ParseTime(*text, sample.msecsSinceEpoch_, sample.offsetSeconds_);
        } else if (*key == "milliamps") {
            seen = &milliamps;
            taken = cursor.Numbers(sample.milliamps_);
        } else if (*key == "port" || *key == "device") {
            seen = *key == "port" ? &port : &device;
            const std::optional<std::string_view> text = cursor.Quoted();
            taken = text && IsPlain(*text);
        }
        if (seen == nullptr || *seen || !taken) {
            return std::nullopt;
        }
        *seen = true;
    } while (cursor.Take(','));
    if (!cursor.Take('}') || !event || !time || !milliamps) {
        return std::nullopt;
    }
    cursor.Take('\n');
    if (!cursor.AtEnd()) {
        return std::nullopt;
    }
    return sample;
}

QDateTime SampleLine::Time() const {
    return offsetSeconds_ == 0 ? QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch_, Qt::UTC)
                               : QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch_, Qt::OffsetFromUTC,
                                                                offsetSeconds_);
}
