#include "ports/SerialWaitPlan.h"

PortThread::WaitFor PlanSerialWait(const SerialWaitState& state) {
    PortThread::WaitFor what;
    if (state.deviceFd < 0) {
        return what;
    }
    what.inputFd = state.deviceFd;
    if (state.now < state.holdUntil) {
        // Also with an empty queue: the pass after the last write's pause checks auto-close.
        what.deadline = state.holdUntil;
    } else if (!state.queueEmpty) {
        what.eventFd = state.pacingEventFd;
        what.deadline = state.pacingEventFd >= 0 ? state.pacingLimit : state.now;
    } else if (!state.hasListener) {
        what.deadline = state.now;
    }
    return what;
}
