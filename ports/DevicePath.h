#pragma once

#include <string>

// The device behind a port name by the process's mapping (ProcessDeviceMapping): "COM1" to
// "COM4" and "LPT1" to "LPT3"; empty for any other name, or when nothing stands behind it.
// The name must already be normalised (trimmed, upper case).
std::string DevicePathForPortName(const std::string& normalisedName);
