#pragma once

#include <string>

// The device behind a port name: "COM1" to "COM4" are /dev/ttyS0 to /dev/ttyS3 and "LPT1"
// to "LPT3" are /dev/lp0 to /dev/lp2, unless the environment variable MERROWBY_<name>
// (e.g. MERROWBY_COM1=/dev/ttyUSB0) gives another path. Empty for any other name. The name
// must already be normalised (trimmed, upper case).
std::string DevicePathForPortName(const std::string& normalisedName);
