#pragma once

#include <sys/types.h>

#include <string>

namespace platform {

// Whether path names a character device (following symbolic links).
bool IsCharacterDevice(const std::string& path);

// Whether the serial driver reports a real UART behind the built-in port at path (ttyS0):
// the "type" its serial core shows in <systemRoot>/sys/class/tty/<name>/type is not 0
// (unknown). The built-in ports exist as devices whether or not the hardware does; the
// device itself is not opened, since each open and close moves its modem lines.
bool IsRealUart(const std::string& path, const std::string& systemRoot);

// What tells two paths to one device apart from others: the device number of a character
// device, else the path with every link resolved.
struct DeviceIdentity {
    std::string resolvedPath;
    dev_t number = 0;  // 0 when path is no character device

    bool operator==(const DeviceIdentity& other) const;
};
DeviceIdentity IdentifyDevice(const std::string& path);

}  // namespace platform
