// Rows, time stamps and intervals of the readings table.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialogs/TimingTestTable.h"

namespace {

std::string Reading(unsigned slot, unsigned time, unsigned top = 0) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", (top << 22) | (slot << 20) | time);
    return text;
}

std::string Seconds(unsigned milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", milliseconds / 1000, milliseconds % 1000);
    return text;
}

// Accepts one full row of slot 0 to 3 readings with the given time stamps.
TimingTestTable::Change AcceptRow(TimingTestTable& table, const std::vector<unsigned>& times) {
    TimingTestTable::Change last;
    for (unsigned slot = 0; slot < times.size(); ++slot) {
        const auto change = table.Accept(Reading(slot, times[slot]));
        EXPECT_TRUE(change.has_value());
        if (change) {
            last = *change;
        }
    }
    return last;
}

TEST(TimingTestTableTest, FirstRowKeepsNotApplicable) {
    TimingTestTable table;
    const auto first = table.Accept(Reading(0, 1000));
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->rowOpened);
    EXPECT_EQ(first->row, 0);
    EXPECT_EQ(first->column, 1);
    EXPECT_EQ(first->nextEntry, Reading(1, 1000));
    ASSERT_EQ(table.Rows().size(), 1u);
    EXPECT_EQ(table.Rows()[0][0], "N/A");
    EXPECT_EQ(table.Rows()[0][2], "");

    table.Accept(Reading(1, 1100));
    table.Accept(Reading(2, 1200));
    const auto closing = table.Accept(Reading(3, 1300));
    ASSERT_TRUE(closing);
    EXPECT_TRUE(closing->rowClosed);
    EXPECT_FALSE(closing->interval.has_value());
    EXPECT_EQ(table.Rows()[0][0], "N/A");
    EXPECT_EQ(table.ReadingIndex(), -1);
    EXPECT_EQ(table.Rows()[0][4], "0x" + Reading(3, 1300));
}

TEST(TimingTestTableTest, IntervalBetweenSlotZeroTimeStampsWrapsAtTwentyBits) {
    TimingTestTable table;
    AcceptRow(table, {0xFFF00, 0xFFF10, 0xFFF20, 0xFFF30});
    const auto second = table.Accept("000100");
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->rowOpened);
    EXPECT_EQ(second->row, 1);
    EXPECT_EQ(table.Rows()[1][0], "N/A");  // until the row closes
    EXPECT_EQ(table.PreviousTimeStamp(0), 0xFFF00u);
    table.Accept(Reading(1, 0x110));
    table.Accept(Reading(2, 0x120));
    const auto closing = table.Accept(Reading(3, 0x130));
    ASSERT_TRUE(closing && closing->interval);
    const unsigned expectedMs = 0x100 + (0x100000 - 0xFFF00);
    EXPECT_EQ(*closing->interval, Seconds(expectedMs));
    EXPECT_EQ(*closing->interval, "0.512");
    EXPECT_EQ(table.Rows()[1][0], "0.512");
}

TEST(TimingTestTableTest, RowWithoutItsOwnSlotZeroReadingShowsZero) {
    TimingTestTable table;
    AcceptRow(table, {5000, 5100, 5200, 5300});
    // Slots 1, 2, 3 and 1 again: four readings, none for slot 0.
    for (const auto& text : {Reading(1, 9000), Reading(2, 9100), Reading(3, 9200)}) {
        table.Accept(text);
    }
    const auto closing = table.Accept(Reading(1, 9300));
    ASSERT_TRUE(closing && closing->interval);
    EXPECT_EQ(*closing->interval, Seconds(0));
    EXPECT_EQ(table.Rows()[1][1], "");                       // no slot-0 cell
    EXPECT_EQ(table.Rows()[1][2], "0x" + Reading(1, 9300));  // the second slot-1 reading won
}

TEST(TimingTestTableTest, SuccessiveRowsMeasureFromThePreviousRow) {
    TimingTestTable table;
    const std::vector<unsigned> slotZeroTimes = {1000, 2500, 2501, 10000};
    for (std::size_t row = 0; row < slotZeroTimes.size(); ++row) {
        const unsigned t = slotZeroTimes[row];
        const auto closing = AcceptRow(table, {t, t + 1, t + 2, t + 3});
        if (row == 0) {
            EXPECT_FALSE(closing.interval.has_value());
        } else {
            ASSERT_TRUE(closing.interval.has_value());
            EXPECT_EQ(*closing.interval, Seconds(t - slotZeroTimes[row - 1]));
        }
    }
    EXPECT_EQ(table.Rows().size(), slotZeroTimes.size());
}

TEST(TimingTestTableTest, LowerCaseReadingsAreShownInUpperCase) {
    TimingTestTable table;
    const auto change = table.Accept("0abcde");
    ASSERT_TRUE(change);
    EXPECT_EQ(change->cellText, "0x0ABCDE");
    EXPECT_EQ(change->nextEntry, "1ABCDE");
    EXPECT_EQ(table.CurrentTimeStamp(0), 0xABCDEu);
}

TEST(TimingTestTableTest, ClearDropsRowsButKeepsTimeStamps) {
    TimingTestTable table;
    AcceptRow(table, {700, 701, 702, 703});
    table.Accept(Reading(0, 800));
    table.Accept(Reading(1, 801));
    table.Clear();
    EXPECT_TRUE(table.Rows().empty());
    EXPECT_EQ(table.ReadingIndex(), -1);
    EXPECT_EQ(table.CurrentTimeStamp(0), 800u);
    EXPECT_EQ(table.CurrentTimeStamp(1), 801u);

    // The first row of the new table still has no interval; its readings start row 0.
    const auto change = table.Accept(Reading(2, 900));
    ASSERT_TRUE(change);
    EXPECT_TRUE(change->rowOpened);
    EXPECT_EQ(change->row, 0);
    EXPECT_EQ(change->column, 3);
}

TEST(TimingTestTableTest, RefusedTextChangesNothing) {
    TimingTestTable table;
    table.Accept(Reading(0, 1));
    for (const char* text : {"12345", "12345X", ""}) {
        EXPECT_FALSE(table.Accept(text).has_value());
    }
    EXPECT_EQ(table.ReadingIndex(), 0);
    EXPECT_EQ(table.Rows().size(), 1u);
}

}  // namespace
