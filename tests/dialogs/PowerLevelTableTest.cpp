#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "dialogs/PowerLevelTable.h"

namespace {

TEST(PowerLevelTable, TextsShowLevelAndCodeWithTheirSpacing) {
    const auto& levels = PowerLevels();
    ASSERT_EQ(levels.size(), 8u);
    const char* const levelNames[] = {"1", "2", "2.5", "4", "5", "6", "6.5", "6.6"};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const std::string level = levelNames[i];
        const std::string gap = level.size() == 1 ? "    " : " ";
        const std::string code(levels[i].code);
        EXPECT_EQ(std::string(levels[i].text), level + gap + "mW (" + code + "h)") << i;
        ASSERT_EQ(code.size(), 4u) << i;
        EXPECT_TRUE(std::all_of(code.begin(), code.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F');
        })) << i;
    }
}

TEST(PowerLevelTable, CodesByPositionWithDefaultAtSix) {
    const auto& levels = PowerLevels();
    EXPECT_EQ(levels[0].code, "147B");
    EXPECT_EQ(levels[1].code, "28F6");
    EXPECT_EQ(levels[2].code, "3333");
    EXPECT_EQ(levels[3].code, "51EC");
    EXPECT_EQ(levels[4].code, "6666");
    EXPECT_EQ(levels[5].code, "7ADB");
    EXPECT_EQ(levels[6].code, "851B");
    EXPECT_EQ(levels[7].code, "872A");
    EXPECT_EQ(kDefaultPowerLevelPosition, 6);
}

TEST(PowerLevelTable, SortingByCharacterCodesKeepsTheOrder) {
    const auto& levels = PowerLevels();
    EXPECT_TRUE(
        std::is_sorted(levels.begin(), levels.end(),
                       [](const PowerLevel& a, const PowerLevel& b) { return a.text < b.text; }));
}

}  // namespace
