#pragma once

#include <string>

// The timing test's clock: minutes and seconds since Start, one tick a second. It tells its
// owner when the reporting command is due again and when the test is over (8:15).
class TimingClock {
  public:
    enum class TickAction {
        None,
        RepeatEnable,  // a quarter minute: switch the reporting on again
        Finish,        // 8 minutes 15 seconds: switch it off and stop
    };

    static constexpr int kFinishMinutes = 8;
    static constexpr int kFinishSeconds = 15;
    static constexpr int kRepeatSeconds = 15;

    void Reset();
    TickAction Tick();

    int Minutes() const { return minutes_; }
    int Seconds() const { return seconds_; }
    std::string MinutesText() const;  // "%d"
    std::string SecondsText() const;  // "%02.2d"

  private:
    int minutes_ = 0;
    int seconds_ = 0;
};
