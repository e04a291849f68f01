#include "app/CandidatePorts.h"

#include <fcntl.h>

#include "platform/ExclusiveDevice.h"
#include "ports/DevicePath.h"

namespace discovery {

bool IsPortAvailable(const std::string& portName) {
    platform::ExclusiveDevice device;
    return device.Open(DevicePathForPortName(portName), O_RDWR | O_NONBLOCK);
}

QString NotFoundMessage(bool anyPortAvailable) {
    return anyPortAvailable ? QStringLiteral("No Sensor Card was found.")
                            : QStringLiteral("No available serial ports.");
}

}  // namespace discovery
