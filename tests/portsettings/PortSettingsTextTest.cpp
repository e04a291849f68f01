#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "dialogs/PortSettingsText.h"

using namespace portsettings;

namespace {

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) ==
                      std::toupper(static_cast<unsigned char>(b));
           });
}

// The list's own rule: the first item that begins with the prefix.
std::string FirstMatch(const std::vector<std::string>& items, const std::string& prefix) {
    const auto found = std::find_if(items.begin(), items.end(), [&](const std::string& item) {
        return StartsWithIgnoringCase(item, prefix);
    });
    return found == items.end() ? std::string() : *found;
}

}  // namespace

// Every combination of list items composes a string that reads back to the same items, in
// the settings string's positional form.
TEST(PortSettingsText, EveryItemCombinationRoundTrips) {
    for (const std::string& baud : BaudItems()) {
        for (const std::string& parity : ParityItems()) {
            for (const std::string& stop : StopBitItems()) {
                const std::string composed = ComposeLineSettings(baud, parity, stop);
                ASSERT_EQ(composed.size(), 10u) << composed;
                EXPECT_EQ(composed.substr(2, 1) + composed.substr(4, 3) + composed.substr(8),
                          ",,8,,0")
                    << composed;
                const LineChoice choice = LineChoiceFrom(composed);
                EXPECT_EQ(FirstMatch(BaudItems(), choice.baudCode), baud) << composed;
                EXPECT_EQ(FirstMatch(ParityItems(), choice.parity), parity) << composed;
                EXPECT_EQ(FirstMatch(StopBitItems(), choice.stopBits), stop) << composed;
            }
        }
    }
}

TEST(PortSettingsText, ReadsFieldsByPositionAndFallsBackWhenShort) {
    const LineChoice stored = LineChoiceFrom("19,e,7,2,1");
    EXPECT_EQ(stored.baudCode, "19");
    EXPECT_EQ(stored.parity, "e");
    EXPECT_EQ(stored.stopBits, "2");

    const LineChoice defaults = LineChoiceFrom(kDefaultLineSettings);
    const LineChoice shortText = LineChoiceFrom("12,o");
    EXPECT_EQ(shortText.baudCode, "12");
    EXPECT_EQ(shortText.parity, "o");
    EXPECT_EQ(shortText.stopBits, defaults.stopBits);
    const LineChoice empty = LineChoiceFrom("");
    EXPECT_EQ(empty.baudCode + empty.parity + empty.stopBits,
              defaults.baudCode + defaults.parity + defaults.stopBits);
}

TEST(PortSettingsText, FieldSetFollowsTheExactName) {
    const std::string file = FileEntryName();
    EXPECT_EQ(FieldSetFor("COM1", file), FieldSet::LineSettings);
    EXPECT_EQ(FieldSetFor("COM4", file), FieldSet::LineSettings);
    EXPECT_EQ(FieldSetFor("com1", file), FieldSet::None);
    EXPECT_EQ(FieldSetFor("COM5", file), FieldSet::None);
    EXPECT_EQ(FieldSetFor("LPT1", file), FieldSet::None);
    EXPECT_EQ(FieldSetFor("", file), FieldSet::None);
    EXPECT_EQ(FieldSetFor(file, file), FieldSet::FilePath);
    std::string upper = file;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    EXPECT_EQ(upper, file) << "the file entry is loaded in upper case";
}
