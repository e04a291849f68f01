// The sample splitter, the conversion and the file line without a window; the C numeric
// conventions under a locale with a decimal comma.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CommaLocaleTest.h"
#include "DumpWindowFixture.h"
#include "app/DumpSample.h"
#include "app/SpreadLimit.h"

namespace {

using dumptest::CommaLocaleTest;
using dumptest::FileLine;

TEST(DumpSampleTest, SplitsAtSpacesAndPrefixesEachBegunField) {
    const DumpSample full("12aB 0000 FFFF 7");
    EXPECT_EQ(full.Field(0), "0x12aB");
    EXPECT_EQ(full.Field(1), "0x0000");
    EXPECT_EQ(full.Field(2), "0xFFFF");
    EXPECT_EQ(full.Field(3), "0x7");

    const DumpSample shortSample("5");
    EXPECT_EQ(shortSample.Field(0), "0x5");
    EXPECT_EQ(shortSample.Field(1), "") << "never begun";
    EXPECT_EQ(shortSample.Field(3), "");

    const DumpSample empty("");
    EXPECT_EQ(empty.Field(0), "0x") << "field 0 starts as 0x";

    const DumpSample doubleSpace("1  2");
    EXPECT_EQ(doubleSpace.Field(1), "0x");
    EXPECT_EQ(doubleSpace.Field(2), "0x2");

    const DumpSample extraFields("1 2 3 4 5 6 7");
    EXPECT_EQ(extraFields.Field(3), "0x4");

    const DumpSample longSample("0001 0002 0003 00045678");
    EXPECT_EQ(longSample.Field(3), "0x0004") << "only 19 characters are examined";
}

TEST(DumpSampleTest, ConvertsCountsToMilliampsAndFormatsThem) {
    const unsigned counts[] = {0x0000, 0x0001, 0x1000, 0xFFFF};
    char text[64];
    std::snprintf(text, sizeof text, "%04X %04X %04X %04X", counts[0], counts[1], counts[2],
                  counts[3]);
    const DumpSample sample(text);
    for (int c = 0; c < 4; ++c) {
        const double expected = counts[c] * 0.0003051851;
        EXPECT_DOUBLE_EQ(sample.Current(c), expected);
        std::snprintf(text, sizeof text, "%6.3f", expected);
        EXPECT_EQ(sample.CurrentText(c), text);
    }
    EXPECT_EQ(sample.CurrentText(0).size(), 6u) << "padded to six characters";
}

TEST(DumpSampleTest, CountsStopAtTheFirstNonHexadecimalCharacter) {
    EXPECT_EQ(DumpSample::CountOf("0x"), 0u);
    EXPECT_EQ(DumpSample::CountOf(""), 0u);
    EXPECT_EQ(DumpSample::CountOf("0x1g2"), 1u);
    EXPECT_EQ(DumpSample::CountOf("0xzz"), 0u);
    EXPECT_EQ(DumpSample::CountOf("0xabCD"), 0xABCDu);
    EXPECT_EQ(DumpSample::CountOf(std::string("0x4\0"
                                              "5",
                                              5)),
              4u);
    // Far more digits than any reading: no wrap to a small value.
    EXPECT_GE(DumpSample::CountOf("0xFFFFFFFFFFFFFFFFFFFF"), 0xFFFFFFFFu);
    const DumpSample huge("FFFFFFFFFFFFFFFFFFF");
    EXPECT_GT(huge.Current(0), 20.0);
}

TEST(DumpSampleTest, TheFileLineHasEightTabbedFieldsAndEndsWithCrLf) {
    EXPECT_EQ(DumpSample("1000 2000 3000 4000").FileLine(),
              FileLine({"1000", "2000", "3000", "4000"}));
    EXPECT_EQ(DumpSample("00ff 0A0b").FileLine(), FileLine({"00ff", "0A0b", "", ""}));
    const std::string line = DumpSample("1 2 3 4").FileLine();
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 8);
    EXPECT_EQ(line.substr(line.size() - 3), "\t\r\n");
}

TEST(SpreadLimitTest, MicroampsFollowTheStringToDoubleRules) {
    for (const char* text : {"5", "", "20", "2.5", "1e1", "abc", "7x", " 3", "-4"}) {
        EXPECT_DOUBLE_EQ(SpreadLimitFromMicroamps(text), std::strtod(text, nullptr) * 0.001)
            << '"' << text << '"';
    }
}

TEST_F(CommaLocaleTest, CurrentsAndTheSpreadLimitKeepTheDecimalPoint) {
    const DumpSample sample("1000 2000 3000 4000");
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(sample.CurrentText(c).find(','), std::string::npos);
        EXPECT_NE(sample.CurrentText(c).find('.'), std::string::npos);
    }
    EXPECT_EQ(sample.FileLine().find(','), std::string::npos);
    EXPECT_DOUBLE_EQ(SpreadLimitFromMicroamps("2.5"), 0.0025);
    EXPECT_DOUBLE_EQ(SpreadLimitFromMicroamps("2,5"), 0.002) << "a comma ends the number";
}

}  // namespace
