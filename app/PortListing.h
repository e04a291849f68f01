#pragma once

#include <string>
#include <vector>

#include "ports/DeviceMapping.h"

// "COM1 = /dev/ttyUSB0 (default)"; "(none)" for a name nothing stands behind.
std::string AssignmentText(const DeviceAssignment& assignment);

// One line per port name: the assignment, then whether its device is present and free, e.g.
// "COM1 = /dev/ttyUSB0 (command line): present, free".
std::vector<std::string> PortListingLines(DeviceMapping& mapping);
