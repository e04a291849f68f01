// The timing test's clock: display, quarter-minute repeats and the stop at 8:15.
#include <gtest/gtest.h>

#include "dialogs/TimingClock.h"

namespace {

using Action = TimingClock::TickAction;

TEST(TimingClockTest, ShowsMinutesAndTwoDigitSeconds) {
    TimingClock clock;
    EXPECT_EQ(clock.MinutesText(), "0");
    EXPECT_EQ(clock.SecondsText(), "00");
    for (int tick = 1; tick <= 9; ++tick) {
        clock.Tick();
    }
    EXPECT_EQ(clock.SecondsText(), "09");
    for (int tick = 10; tick <= 60; ++tick) {
        clock.Tick();
    }
    EXPECT_EQ(clock.MinutesText(), "1");
    EXPECT_EQ(clock.SecondsText(), "00");
    clock.Reset();
    EXPECT_EQ(clock.Minutes(), 0);
    EXPECT_EQ(clock.Seconds(), 0);
}

TEST(TimingClockTest, RepeatsEveryQuarterMinuteAndFinishesAtEightFifteen) {
    TimingClock clock;
    const int finishTick = 8 * 60 + 15;
    int repeats = 0;
    for (int tick = 1; tick <= finishTick; ++tick) {
        const Action action = clock.Tick();
        EXPECT_EQ(clock.Minutes() * 60 + clock.Seconds(), tick);
        if (tick == finishTick) {
            EXPECT_EQ(action, Action::Finish);
        } else if (tick % 15 == 0) {
            EXPECT_EQ(action, Action::RepeatEnable) << tick;
            ++repeats;
        } else {
            EXPECT_EQ(action, Action::None) << tick;
        }
    }
    EXPECT_EQ(repeats, 32);  // 0:15 to 8:00
    EXPECT_EQ(clock.MinutesText(), "8");
    EXPECT_EQ(clock.SecondsText(), "15");
}

}  // namespace
