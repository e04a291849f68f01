#pragma once

#include "ports/PortThread.h"

// What the serial I/O thread knows before it goes to sleep.
struct SerialWaitState {
    using Clock = PortThread::Clock;

    int deviceFd = -1;  // -1 while the device is closed
    bool queueEmpty = true;
    bool hasListener = false;
    int pacingEventFd = -1;  // the ready event while pacing holds the next string, else -1
    Clock::time_point now;
    Clock::time_point holdUntil;  // the pause after a write, or a failed write's retry
    Clock::time_point pacingLimit;
};

// Input always ends the wait; a queued string only once its pause, its retry delay or its
// pacing is over; an open device nobody uses any more at once, so that it is closed however
// late the thread comes round. Attach, Detach and Write wake the thread besides.
PortThread::WaitFor PlanSerialWait(const SerialWaitState& state);
