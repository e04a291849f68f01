// Decoding, prefill, interval and number format of the timing readings.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "dialogs/TimingReading.h"
#include "tests/protocol/GermanLocale.h"

namespace {

std::string Hex6(unsigned value, bool upperCase) {
    char text[16];
    std::snprintf(text, sizeof text, upperCase ? "%06X" : "%06x", value);
    return text;
}

// "%.3f" of a whole number of milliseconds, built from integers only.
std::string Seconds(unsigned milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", milliseconds / 1000, milliseconds % 1000);
    return text;
}

TEST(TimingReadingTest, DecodesSlotAndTimeStampFromEitherCase) {
    for (unsigned top = 0; top < 4; ++top) {
        for (unsigned slot = 0; slot < 4; ++slot) {
            for (unsigned time : {0u, 1u, 0x12345u, 0xFFFFFu}) {
                const unsigned value = (top << 22) | (slot << 20) | time;
                for (bool upper : {false, true}) {
                    const auto reading = timing::DecodeReading(Hex6(value, upper));
                    ASSERT_TRUE(reading.has_value()) << Hex6(value, upper);
                    EXPECT_EQ(reading->value, value);
                    EXPECT_EQ(reading->slot, static_cast<int>(slot));
                    EXPECT_EQ(reading->timeStamp, time);
                    EXPECT_EQ(reading->digits, Hex6(value, true));
                    EXPECT_EQ(timing::CellText(*reading), "0x" + Hex6(value, true));
                }
            }
        }
    }
}

TEST(TimingReadingTest, RefusesAnythingButSixHexadecimalDigits) {
    for (const char* text : {"", "12345", "1234567", "12345G", " 12345", "0x1234", "12 345"}) {
        EXPECT_FALSE(timing::DecodeReading(text).has_value()) << '"' << text << '"';
    }
}

TEST(TimingReadingTest, NextReadingAdvancesTheSlotAndKeepsTheTopBits) {
    EXPECT_EQ(timing::NextSlotReading("1ABCDE"), "2ABCDE");
    EXPECT_EQ(timing::NextSlotReading("3ABCDE"), "0ABCDE");
    EXPECT_EQ(timing::NextSlotReading("BABCDE"), "8ABCDE");
    // The whole cycle of first digits, as the card's readings go round the four slots.
    const std::string firsts = "0123456789ABCDEF";
    const std::string nexts = "123056749AB8DEFC";
    for (std::size_t i = 0; i < firsts.size(); ++i) {
        const std::string digits = std::string(1, firsts[i]) + "00F0A";
        const std::string next = timing::NextSlotReading(digits);
        EXPECT_EQ(next, std::string(1, nexts[i]) + "00F0A");
        const auto before = timing::DecodeReading(digits);
        const auto after = timing::DecodeReading(next);
        ASSERT_TRUE(before && after);
        EXPECT_EQ(after->slot, (before->slot + 1) % 4);
        EXPECT_EQ(after->value >> 22, before->value >> 22);
        EXPECT_EQ(after->timeStamp, before->timeStamp);
    }
}

TEST(TimingReadingTest, IntervalWrapsAtTwentyBits) {
    EXPECT_EQ(timing::IntervalMilliseconds(0x00100, 0xFFF00), 0x200u);  // 256 + 256 ms
    EXPECT_EQ(timing::IntervalMilliseconds(1500, 1000), 500u);
    EXPECT_EQ(timing::IntervalMilliseconds(1000, 1000), 0u);
    EXPECT_EQ(timing::IntervalMilliseconds(0, 1), (1u << 20) - 1);
}

TEST(TimingReadingTest, SecondsHaveThreeDecimalsWithAPointInAnyLocale) {
    const GermanLocale german;
    ASSERT_TRUE(german.Active());
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5");  // the locale really has a decimal comma
    for (unsigned ms : {0u, 1u, 9u, 512u, 999u, 1000u, 15001u, 123456u, (1u << 20) - 1}) {
        EXPECT_EQ(timing::FormatSeconds(ms * 0.001), Seconds(ms)) << ms;
    }
}

}  // namespace
