#include "protocol/ReplyDecoding.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "tests/protocol/GermanLocale.h"

namespace {

using namespace protocol;
using Condition = SensorStatus::Condition;

// The C library's conversion with a 32-bit long: values beyond saturate at LONG_MAX.
std::int32_t StrtolOf0x(const std::string& reply) {
    const std::string text = "0x" + reply;
    const long value = std::strtol(text.c_str(), nullptr, 16);
    return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}

TEST(HexReplyValue, FollowsStringToLongAfter0x) {
    for (const std::string reply :
         {"7FF", "7ff", "7FFF", "800", "0", "", "xyz", " 7FF", "-5", "+5", "0x12", "12 34", "1G",
          "FFFFFFFF", "80000000", "7FFFFFFF", "123456789ABCDEF", "NOT TRAINED", "aBcD\r"}) {
        SCOPED_TRACE(reply);
        EXPECT_EQ(HexReplyValue(reply), StrtolOf0x(reply));
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> length(0, 10);
    const std::string alphabet = "0123456789abcdefABCDEFxX -+gG";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < 2000; ++i) {
        std::string reply;
        for (int n = length(random); n > 0; --n) {
            reply.push_back(alphabet[pick(random)]);
        }
        ASSERT_EQ(HexReplyValue(reply), StrtolOf0x(reply)) << reply;
    }
    EXPECT_EQ(HexReplyValue(std::string("1\0"
                                        "2",
                                        3)),
              1)
        << "stops at a zero byte";
}

TEST(HexReplyValue, ConversionsToVoltsAndMilliamps) {
    EXPECT_DOUBLE_EQ(VoltsFromReply("7FF"), 2047 * 0.002442);
    EXPECT_NEAR(VoltsFromReply("7FF"), 4.998774, 1e-12);
    EXPECT_NEAR(MilliampsFromReply("7FFF"), 10.0000001717, 1e-9);
    EXPECT_EQ(FormatFixed(MilliampsFromReply("7FFF"), 3), "10.000");
    EXPECT_EQ(FormatFixed(VoltsFromReply("7FF"), 3), "4.999");
    EXPECT_EQ(HexReplyText("7FF"), "0x7FF");
    EXPECT_EQ(VoltsFromReply("garbage"), 0.0) << "no digit gives 0";
    EXPECT_DOUBLE_EQ(MilliampsFromCode(4096), 4096 * 0.0003051851);
}

TEST(IsNotTrained, AnywhereInTheReplyCaseSensitive) {
    EXPECT_TRUE(IsNotTrained("NOT TRAINED"));
    EXPECT_TRUE(IsNotTrained("SENSOR 3 NOT TRAINED YET"));
    EXPECT_FALSE(IsNotTrained("not trained"));
    EXPECT_FALSE(IsNotTrained("NOT  TRAINED"));
    EXPECT_FALSE(IsNotTrained("0C00"));
}

TEST(StatusReply, BytesAndBits) {
    const auto onlySeven = DecodeStatusReply("80 00 00 00 00");
    ASSERT_TRUE(onlySeven.has_value());
    for (SensorIndex sensor = 0; sensor < kSensorCount; ++sensor) {
        for (int row = 0; row < 5; ++row) {
            const auto condition = static_cast<Condition>(row);
            EXPECT_EQ(onlySeven->Holds(condition, sensor),
                      sensor == 7 && condition == Condition::Enabled);
        }
    }
    const auto mixed = DecodeStatusReply("01-A5:3C|FF.0F trailing");
    ASSERT_TRUE(mixed.has_value());
    EXPECT_EQ(mixed->Byte(Condition::Enabled), 0x01);
    EXPECT_EQ(mixed->Byte(Condition::Trained), 0xA5);
    EXPECT_EQ(mixed->Byte(Condition::Shorted), 0x3C);
    EXPECT_EQ(mixed->Byte(Condition::Opened), 0xFF);
    EXPECT_EQ(mixed->Byte(Condition::Covered), 0x0F);
    EXPECT_TRUE(mixed->Holds(Condition::Enabled, 0));
    EXPECT_FALSE(mixed->Holds(Condition::Enabled, 1));
    EXPECT_FALSE(mixed->Holds(Condition::Enabled, 8));
    EXPECT_FALSE(mixed->Holds(Condition::Enabled, -1));
}

TEST(StatusReply, DigitRuleForEveryCharacter) {
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        const int signedCode = code < 128 ? code : code - 256;
        const int expected = (signedCode <= '9' ? signedCode - 0x30 : signedCode - 0x37) & 0xFF;
        EXPECT_EQ(StatusDigitValue(c), expected) << code;
    }
    // Lowercase letters are no defined digits: "a" is 0x61 - 0x37 = 0x2A, so "aa" is 0xAA.
    const auto lower = DecodeStatusReply("aa 00 00 00 00");
    ASSERT_TRUE(lower.has_value());
    EXPECT_EQ(lower->Byte(Condition::Enabled), ((0x2A << 4) | 0x2A) & 0xFF);
}

TEST(StatusReply, ShorterThanFourteenCharactersIsNoAnswer) {
    const std::string full = "FF FF FF FF FF";
    for (std::size_t length = 0; length < full.size(); ++length) {
        // An exact-size heap copy, so that reading past its end is caught by the sanitizer.
        auto bytes = std::make_unique<char[]>(length == 0 ? 1 : length);
        full.copy(bytes.get(), length);
        EXPECT_FALSE(DecodeStatusReply(std::string_view(bytes.get(), length)).has_value())
            << length;
    }
    EXPECT_TRUE(DecodeStatusReply(full).has_value());
}

TEST(FormatFixed, MatchesCFormattingAndIgnoresTheLocale) {
    const double values[] = {0.0, 4.998774, 10.0000001717, 6.2506, 1.25, 0.0005, 2.5, -3.14159};
    char expected[64];
    for (const double value : values) {
        std::snprintf(expected, sizeof expected, "%.3f", value);
        EXPECT_EQ(FormatFixed(value, 3), expected);
        std::snprintf(expected, sizeof expected, "%.1f", value);
        EXPECT_EQ(FormatFixed(value, 1), expected);
    }
    GermanLocale german;
    if (!german.Active()) {
        GTEST_SKIP() << "no German locale installed and localedef failed";
    }
    std::snprintf(expected, sizeof expected, "%.3f", 4.998774);
    ASSERT_STREQ(expected, "4,999") << "the German locale must be in effect";
    EXPECT_EQ(FormatFixed(4.998774, 3), "4.999");
    EXPECT_EQ(FormatFixed(6.25, 1), "6.2");
    EXPECT_EQ(HexReplyValue("7FF"), 0x7FF);
}

}  // namespace
