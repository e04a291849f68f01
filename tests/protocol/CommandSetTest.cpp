#include "protocol/CommandSet.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "tests/protocol/GermanLocale.h"

namespace {

using namespace protocol;

std::string Printf(const char* format, int a, int b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

TEST(CommandSet, EncodingExamples) {
    EXPECT_EQ(SetVoltageText(10.00, 7), "FFF7V");
    EXPECT_EQ(SetVoltageText(0.01, 0), "0040V");
    EXPECT_EQ(SetVoltageText(2.50, 3), "3FF3V");
    EXPECT_EQ(VoltageCode(5.00), 2047) << "truncated, not rounded";
    EXPECT_EQ(SetTripPointText(10.00, 0), "7FFF0T");
    EXPECT_EQ(SetTripPointText(0.01, 0).substr(0, 4), "0020");
    EXPECT_EQ(SetTripPointText(5.00, 2), "3FFF2T");
    EXPECT_EQ(SaveTrainingDataText(10), "0AS");
    EXPECT_EQ(RestoreTrainingDataText(255), "FFR");
    EXPECT_EQ(SaveTrainingDataText(0x1234), "34S") << "low 8 bits";
    EXPECT_EQ(SetSensorReportingText(true, true), "RE");
    EXPECT_EQ(SetSensorReportingText(false, false), "LD");
    EXPECT_EQ(SetSensorReportingText(false, false), StartDumpText(false));
    EXPECT_EQ(SetSensorReportingText(false, true), StartDumpText(true));
    EXPECT_EQ(SetSensorReportingText(true, false), "LE");
    EXPECT_EQ(StopDumpText(), GoOfflineText());
    EXPECT_EQ(SetPowerLevelText("0A1F"), "0A1FP");
}

TEST(CommandSet, SensorCommands) {
    for (SensorIndex sensor = 0; sensor < kSensorCount; ++sensor) {
        EXPECT_EQ(TrainSensorText(sensor), Printf("%dL", sensor));
        EXPECT_EQ(QueryTripPointText(sensor), Printf("%dTQ", sensor));
        EXPECT_EQ(QueryCurrentText(sensor), Printf("%dCQ", sensor));
        EXPECT_EQ(AdjustTripPointText(sensor), Printf("%dA", sensor));
        EXPECT_EQ(QueryVoltageText(sensor), Printf("%dVQ", sensor));
    }
}

// Every level the level dialog offers, in steps of 0.01, against the C library's own
// formatting of the truncated product.
TEST(CommandSet, LevelsMatchTheCFormattingOfTheTruncatedCode) {
    for (int hundredths = 0; hundredths <= 1000; ++hundredths) {
        const double level = hundredths / 100.0;
        const SensorIndex sensor = hundredths % kSensorCount;
        EXPECT_EQ(SetVoltageText(level, sensor),
                  Printf("%.3X%dV", static_cast<int>(level * 409.5), sensor))
            << level;
        EXPECT_EQ(SetTripPointText(level, sensor),
                  Printf("%.4X%dT", static_cast<int>(level * 3276.7), sensor))
            << level;
    }
    for (int bin = -300; bin <= 300; ++bin) {
        EXPECT_EQ(SaveTrainingDataText(bin), Printf("%.2XS", bin & 0xFF));
        EXPECT_EQ(RestoreTrainingDataText(bin), Printf("%.2XR", bin & 0xFF));
    }
}

TEST(CommandSet, HexAndDecimalFollowPrintf) {
    for (const int value : {0, 1, 0xF, 0x10, 0xABC, 0xFFF, 0x1000, 0x7FFFFFFF, -1, -409}) {
        EXPECT_EQ(UppercaseHex(value, 3), Printf("%.3X", value));
        EXPECT_EQ(UppercaseHex(value, 4), Printf("%.4X", value));
        EXPECT_EQ(Decimal(value), Printf("%d", value));
    }
    EXPECT_EQ(VoltageCode(-1.0), -409);
    EXPECT_EQ(VoltageCode(1e300), 0x7FFFFFFF) << "saturates instead of overflowing";
}

TEST(CommandSet, TextsDoNotDependOnTheLocale) {
    const std::string volts = SetVoltageText(2.5, 3);
    const std::string trip = SetTripPointText(1.25, 4);
    GermanLocale german;
    if (!german.Active()) {
        GTEST_SKIP() << "no German locale installed and localedef failed";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    ASSERT_STREQ(probe, "2,5") << "the German locale must be in effect";
    EXPECT_EQ(SetVoltageText(2.5, 3), volts);
    EXPECT_EQ(SetTripPointText(1.25, 4), trip);
}

}  // namespace
