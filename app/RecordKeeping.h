#pragma once

#include "app/CommandDelivery.h"
#include "app/PowerLevelInputs.h"

// What the service record needs to know of the window's commands beyond their replies: whether
// the command last waited for reached the line, and which sensors had their voltage and current
// read in this visit.
struct RecordKeeping {
    CommandDelivery delivery;
    PowerLevelInputs powerLevelInputs;
};
