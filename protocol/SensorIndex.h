#pragma once

#include <cstdint>

// Sensor number 0 to 7: 0 to 3 on the left tube, 4 to 7 on the right.
using SensorIndex = std::int32_t;

inline constexpr SensorIndex kSensorCount = 8;
inline constexpr SensorIndex kSensorsPerTube = 4;
