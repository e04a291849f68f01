#include "dialogs/TimingClock.h"

#include <cstdio>

namespace {

constexpr int kSecondsPerMinute = 60;

std::string Formatted(const char* format, int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

void TimingClock::Reset() {
    minutes_ = 0;
    seconds_ = 0;
}

TimingClock::TickAction TimingClock::Tick() {
    ++seconds_;
    if (seconds_ == kSecondsPerMinute) {
        seconds_ = 0;
        ++minutes_;
    }
    if (minutes_ == kFinishMinutes && seconds_ == kFinishSeconds) {
        return TickAction::Finish;
    }
    return seconds_ % kRepeatSeconds == 0 ? TickAction::RepeatEnable : TickAction::None;
}

std::string TimingClock::MinutesText() const {
    return Formatted("%d", minutes_);
}

std::string TimingClock::SecondsText() const {
    return Formatted("%02.2d", seconds_);
}
