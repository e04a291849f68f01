#pragma once

// The power level of a sensor in milliwatts: its voltage times its current in milliamperes.
inline double PowerLevelMilliwatts(double volts, double milliamps) {
    return volts * milliamps;
}
