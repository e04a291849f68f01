#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "controls/NumericEditRules.h"
#include "protocol/GermanLocale.h"

namespace {

// The limits of the sensor level dialog's value field.
constexpr NumericLimits kLevel{2, 3, -0.01, 10.01};
// Wide bounds, so that only the digit counts can refuse.
constexpr NumericLimits kWide{2, 3, -1e6, 1e6};

constexpr char kDelete = 0x7F;  // stands for the Delete key in the table

struct RuleCase {
    const char* name;
    NumericLimits limits;
    std::string text;
    int start;
    int end;
    char key;
    bool accepted;
    std::string result;  // when accepted
    int caret;           // when accepted
};

std::ostream& operator<<(std::ostream& out, const RuleCase& c) {
    return out << c.name;
}

NumericKey KeyOf(char key) {
    return key == kDelete ? NumericKey::Delete() : NumericKey::Typed(key);
}

class NumericEditRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(NumericEditRules, AcceptsOrRefusesTheKey) {
    const RuleCase& c = GetParam();
    const NumericEditOutcome outcome =
        ApplyNumericKey({c.text, c.start, c.end}, KeyOf(c.key), c.limits);
    ASSERT_EQ(outcome.accepted, c.accepted);
    if (c.accepted) {
        EXPECT_EQ(outcome.text, c.result);
        EXPECT_EQ(outcome.caret, c.caret);
    }
}

// The documented examples, with the level dialog's limits.
const RuleCase kExamples[] = {
    {"OneIntoEmpty", kLevel, "", 0, 0, '1', true, "1", 1},
    {"ZeroAfterOne", kLevel, "1", 1, 1, '0', true, "10", 2},
    {"ThirdIntegerDigit", kLevel, "10", 2, 2, '1', false, {}, 0},
    {"PointAfterTen", kLevel, "10", 2, 2, '.', true, "10.", 3},
    {"TenFiveAboveBound", kLevel, "10.", 3, 3, '5', false, {}, 0},
    {"TenZeroBelowBound", kLevel, "10.", 3, 3, '0', true, "10.0", 4},
    {"ThirdFractionDigit", kLevel, "9.99", 4, 4, '9', true, "9.999", 5},
    {"FourthFractionDigit", kLevel, "9.999", 5, 5, '9', false, {}, 0},
    {"SecondPoint", kLevel, "9.5", 3, 3, '.', false, {}, 0},
    {"SecondPointAtStart", kLevel, "9.5", 0, 0, '.', false, {}, 0},
    {"PointOverSelectedPoint", kLevel, "9.5", 1, 2, '.', true, "9.5", 2},
    {"PointOverSelectionWithPoint", kLevel, "9.55", 1, 3, '.', true, "9.5", 2},
    {"DigitBeforeMinus", kLevel, "-5", 0, 0, '7', false, {}, 0},
    {"BackspaceBehindPoint", kLevel, "9.99", 2, 2, '\b', false, {}, 0},
    {"BackspaceOnAll", kLevel, "9.5", 0, 3, '\b', true, "", 0},
    {"DeleteOnAll", kLevel, "9.5", 0, 3, kDelete, true, "", 0},
    {"Letter", kLevel, "5", 1, 1, 'a', false, {}, 0},
    {"PlusSign", kLevel, "5", 1, 1, '+', false, {}, 0},
    {"Space", kLevel, "5", 1, 1, ' ', false, {}, 0},
};

// Boundaries of each rule.
const RuleCase kBoundaries[] = {
    {"MinusBeforeFiveBreaksLowerBound", kLevel, "5", 0, 0, '-', false, {}, 0},
    {"MinusBeforeFiveWithinWideBounds", kWide, "5", 0, 0, '-', true, "-5", 1},
    {"MinusBeforeFractionAboveLowerBound", kLevel, "0.005", 0, 0, '-', true, "-0.005", 1},
    {"MinusIntoEmpty", kLevel, "", 0, 0, '-', true, "-", 1},
    {"SecondMinus", kLevel, "-5", 0, 0, '-', false, {}, 0},
    {"MinusOverSelectedMinus", kWide, "-5", 0, 1, '-', true, "-5", 1},
    {"MinusOverSelectedPointBreaksBound", kLevel, ".444", 0, 1, '-', false, {}, 0},
    {"MinusOverSelectedPointTooManyDigits", kWide, ".444", 0, 1, '-', false, {}, 0},
    {"MinusOverSelectedPointWithinLimits", kWide, ".44", 0, 1, '-', true, "-44", 1},
    {"MinusNotAtStart", kLevel, "5", 1, 1, '-', false, {}, 0},
    {"MinusWithoutNegativeBound", {2, 3, 0.0, 10.0}, "5", 0, 0, '-', false, {}, 0},
    {"UpperBoundIsExclusive", kLevel, "10.0", 4, 4, '1', false, {}, 0},
    {"JustBelowUpperBound", kLevel, "10.0", 4, 4, '0', true, "10.00", 5},
    {"LowerBoundIsExclusive", kLevel, "-0.0", 4, 4, '1', false, {}, 0},
    {"JustAboveLowerBound", kLevel, "-0.00", 5, 5, '9', true, "-0.009", 6},
    {"ZeroIntoEmpty", kLevel, "", 0, 0, '0', true, "0", 1},
    {"DigitOverSelectedMinus", kWide, "-5", 0, 1, '3', true, "35", 1},
    {"DigitReplacesSelection", kLevel, "9.5", 0, 3, '7', true, "7", 1},
    {"DigitOverPointCountsAsInteger", kWide, "1.5", 1, 2, '0', false, {}, 0},
    {"DigitOverPointWithinCount", kWide, "1.5", 0, 2, '2', true, "25", 1},
    {"DigitBeforePointGoesToInteger", kWide, "1.234", 1, 1, '1', true, "11.234", 2},
    {"DigitIntoFullFraction", kWide, "1.234", 2, 2, '1', false, {}, 0},
    {"IntegerCountSkipsMinus", kWide, "-1", 2, 2, '2', true, "-12", 3},
    {"PointIntoEmpty", kLevel, "", 0, 0, '.', true, ".", 1},
    {"PointForbiddenWithoutFraction", {2, 0, -1.0, 100.0}, "5", 1, 1, '.', false, {}, 0},
    {"PointBeforeMinus", kLevel, "-5", 0, 0, '.', false, {}, 0},
    {"PointAfterMinus", kWide, "-5", 1, 1, '.', true, "-.5", 2},
    {"PointAfterMinusBreaksLowerBound", kLevel, "-5", 1, 1, '.', false, {}, 0},
    {"PointOverSelectionAboveUpperBound", kLevel, "10.009", 2, 5, '.', false, {}, 0},
    {"PointOverSelectionBelowLowerBound", kLevel, "-0.009", 2, 5, '.', false, {}, 0},
    {"PointOverSelectionWithinBounds", kLevel, "9.009", 1, 4, '.', true, "9.9", 2},
    {"PointOverflowingFraction", {5, 1, -1e6, 1e6}, "12345", 1, 1, '.', false, {}, 0},
    {"PointWithinFraction", {5, 1, -1e6, 1e6}, "12345", 4, 4, '.', true, "1234.5", 5},
    {"BackspaceToEmpty", kLevel, "5", 1, 1, '\b', true, "", 0},
    {"BackspaceAtStart", kLevel, "5", 0, 0, '\b', false, {}, 0},
    {"BackspaceToMinusOnly", kLevel, "-5", 2, 2, '\b', true, "-", 1},
    {"BackspaceKeepsCaret", kLevel, "1.25", 4, 4, '\b', true, "1.2", 3},
    {"BackspacePointTooManyDigits", kWide, "12.5", 3, 3, '\b', false, {}, 0},
    {"BackspacePointWithinDigits", kWide, "1.5", 2, 2, '\b', true, "15", 1},
    {"BackspaceSelectionWithPoint", kWide, "12.34", 0, 3, '\b', true, "34", 0},
    {"BackspaceSelectionTooManyDigits", kWide, "12.34", 2, 3, '\b', false, {}, 0},
    {"DeleteAtEnd", kLevel, "9.5", 3, 3, kDelete, false, {}, 0},
    {"DeleteFollowingCharacter", kLevel, "1.5", 0, 0, kDelete, true, ".5", 0},
    {"DeleteLeavesCaret", kLevel, "1.25", 2, 2, kDelete, true, "1.5", 2},
    {"DeletePointBreaksBound", kLevel, "9.5", 1, 1, kDelete, false, {}, 0},
    {"DeletePointTooManyDigits", kWide, "12.5", 2, 2, kDelete, false, {}, 0},
    {"DeleteSelectionBreaksBound", kLevel, "9.99", 1, 2, kDelete, false, {}, 0},
    {"DeleteToEmpty", kLevel, "5", 0, 0, kDelete, true, "", 0},
    {"ControlCharacterPaste", kLevel, "5", 1, 1, '\x16', false, {}, 0},
    {"ControlCharacterCopy", kLevel, "5", 1, 1, '\x03', false, {}, 0},
    {"CarriageReturn", kLevel, "5", 1, 1, '\r', false, {}, 0},
    {"Comma", kLevel, "5", 1, 1, ',', false, {}, 0},
    {"DegreeSign", kLevel, "5", 1, 1, '\xB0', false, {}, 0},
    {"SelectionGivenBackwards", kLevel, "9.5", 3, 0, '\b', true, "", 0},
};

std::string CaseName(const ::testing::TestParamInfo<RuleCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Examples, NumericEditRules, ::testing::ValuesIn(kExamples), CaseName);
INSTANTIATE_TEST_SUITE_P(Boundaries, NumericEditRules, ::testing::ValuesIn(kBoundaries), CaseName);

TEST(NumericEditRulesValue, ReadsLeadingNumberAndZeroWithoutOne) {
    EXPECT_EQ(NumericTextValue(""), 0.0);
    EXPECT_EQ(NumericTextValue("-"), 0.0);
    EXPECT_EQ(NumericTextValue("."), 0.0);
    EXPECT_EQ(NumericTextValue("-."), 0.0);
    EXPECT_DOUBLE_EQ(NumericTextValue("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(NumericTextValue("10."), 10.0);
    EXPECT_DOUBLE_EQ(NumericTextValue("9.999"), 9.999);
    EXPECT_DOUBLE_EQ(NumericTextValue("1.5x"), 1.5);
}

TEST(NumericEditRulesValue, TypingTheExampleSequences) {
    // 1, 0, '.', 0 typed one after another into an empty field.
    NumericEditState state;
    for (const char c : std::string("10.0")) {
        const NumericEditOutcome outcome = ApplyNumericKey(state, NumericKey::Typed(c), kLevel);
        ASSERT_TRUE(outcome.accepted) << c;
        state = {outcome.text, outcome.caret, outcome.caret};
    }
    EXPECT_EQ(state.text, "10.0");
    EXPECT_FALSE(ApplyNumericKey(state, NumericKey::Typed('1'), kLevel).accepted);
}

bool WithinLimits(const std::string& text, const NumericLimits& limits) {
    const auto point = text.find('.');
    const std::size_t integerEnd = point == std::string::npos ? text.size() : point;
    const std::size_t sign = !text.empty() && text.front() == '-' ? 1 : 0;
    const std::size_t fraction = point == std::string::npos ? 0 : text.size() - point - 1;
    const double value = NumericTextValue(text);
    return integerEnd - sign <= limits.integerDigits && fraction <= limits.fractionDigits &&
           limits.lowerBound < value && value < limits.upperBound;
}

// Every text of up to five characters that keys can make from an empty field, with every
// selection and every key: no accepted key leaves the field outside its limits.
TEST(NumericEditRulesValue, NoKeyLeadsOutsideTheLimits) {
    const std::string keys = "-.0123456789\b";
    std::vector<std::string> pending{""};
    std::set<std::string> seen{""};
    while (!pending.empty()) {
        const std::string text = pending.back();
        pending.pop_back();
        const int length = static_cast<int>(text.size());
        for (int start = 0; start <= length; ++start) {
            for (int end = start; end <= length; ++end) {
                for (const char key : keys + kDelete) {
                    const NumericEditOutcome outcome =
                        ApplyNumericKey({text, start, end}, KeyOf(key), kLevel);
                    if (!outcome.accepted) {
                        continue;
                    }
                    ASSERT_TRUE(WithinLimits(outcome.text, kLevel))
                        << '"' << text << "\" [" << start << ", " << end << ") key " << int(key)
                        << " gives \"" << outcome.text << '"';
                    if (outcome.text.size() <= 5 && seen.insert(outcome.text).second) {
                        pending.push_back(outcome.text);
                    }
                }
            }
        }
    }
    EXPECT_TRUE(seen.count("10.00") == 1 && seen.count("-.009") == 1 && seen.count(".") == 1);
}

TEST(NumericEditRulesLocale, DecimalPointStaysFullStopInACommaLocale) {
    GermanLocale german;
    if (!german.Active()) {
        GTEST_SKIP() << "no German locale available";
    }
    EXPECT_TRUE(ApplyNumericKey({"9", 1, 1}, NumericKey::Typed('.'), kLevel).accepted);
    EXPECT_FALSE(ApplyNumericKey({"9", 1, 1}, NumericKey::Typed(','), kLevel).accepted);
    EXPECT_DOUBLE_EQ(NumericTextValue("9.5"), 9.5);
    EXPECT_FALSE(ApplyNumericKey({"10.", 3, 3}, NumericKey::Typed('5'), kLevel).accepted);
}

}  // namespace
