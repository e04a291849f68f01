#include <gtest/gtest.h>

#include "platform/LineMode.h"

using platform::LineMode;
using platform::Parity;
using platform::ParseLineMode;

TEST(LineModeTest, EveryBaudCodeGivesItsRate) {
    const std::pair<const char*, int> codes[] = {{"11", 110},  {"15", 150},  {"30", 300},
                                                 {"60", 600},  {"12", 1200}, {"24", 2400},
                                                 {"48", 4800}, {"96", 9600}, {"19", 19200}};
    for (const auto& [code, rate] : codes) {
        const auto mode = ParseLineMode(std::string(code) + ",n,8,1");
        ASSERT_TRUE(mode.has_value()) << code;
        EXPECT_EQ(mode->baudRate, rate) << code;
    }
}

TEST(LineModeTest, FieldsAreReadByPosition) {
    const auto mode = ParseLineMode("19,E,7,2");
    ASSERT_TRUE(mode.has_value());
    EXPECT_EQ(*mode, (LineMode{19200, Parity::Even, 7, 2}));
    EXPECT_EQ(ParseLineMode("96,o,5,1")->parity, Parity::Odd);
    EXPECT_EQ(ParseLineMode("96,M,6,1")->parity, Parity::Mark);
    EXPECT_EQ(ParseLineMode("96,s,8,1")->parity, Parity::Space);
    EXPECT_EQ(ParseLineMode("96,N,8,1")->parity, Parity::None);
}

TEST(LineModeTest, AnythingElseIsRejected) {
    for (const char* bad :
         {"", "96,n,8,", "96,n,8,1,", "9600,n,8", "10,n,8,1", "96 n,8,1", "96,n;8,1", "96,n,8;1",
          "96,q,8,1", "96,n,9,1", "96,n,4,1", "96,n,8,0", "96,n,8,3", "-6,n,8,1"}) {
        EXPECT_FALSE(ParseLineMode(bad).has_value()) << '"' << bad << '"';
    }
}
