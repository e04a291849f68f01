#include "ports/DevicePath.h"

#include "ports/DeviceMapping.h"

std::string DevicePathForPortName(const std::string& normalisedName) {
    return ProcessDeviceMapping().Resolve(normalisedName).device;
}
