#pragma once

#include <cstdint>

// Bit values, so that a selection can ask for several kinds at once.
enum PortKind : std::int32_t {
    PortKindSerial = 1,
    PortKindFile = 2,
    PortKindParallel = 4,
};
