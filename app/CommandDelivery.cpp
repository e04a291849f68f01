#include "app/CommandDelivery.h"

#include "protocol/InstrumentLink.h"

void CommandDelivery::WaitBegins(const InstrumentLink& link) {
    // A command the link could not write leaves no reply pending.
    written_ = link.IsPending();
    droppedBefore_ = dropped_.Count(link.PortName());
    unsent_ = false;
}

void CommandDelivery::WaitTimedOut(const InstrumentLink& link) {
    // Nothing else is queued while the window waits: a drop is this command's.
    unsent_ = !written_ || dropped_.Count(link.PortName()) != droppedBefore_;
}
