#pragma once

#include "ports/DeviceMapping.h"

class QSettings;

// The port mapping saved in the user's settings (~/.config/merrowby/merrowby.conf, group
// [ports], e.g. COM1=/dev/ttyUSB1). Names are normalised; unknown names are left out.
DeviceMapping::Table ReadSavedPortMapping();

// The same, from the group [ports] of the given settings.
DeviceMapping::Table PortMappingFrom(QSettings& settings);
