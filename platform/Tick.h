#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from a steady clock, truncated to 32 bits; it wraps like a tick counter,
// so intervals are always taken as unsigned differences.
std::uint32_t TickCount();

}  // namespace platform
