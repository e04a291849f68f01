#pragma once

#include <string>

namespace platform {

// What tells one USB serial adapter from another across unplugging, whatever tty name the
// kernel gives it: "serial:<its serial number>", or without one "port:<its USB port path>"
// (e.g. 1-1.2). Read from sysfs (sysRoot, normally /sys) through the tty's device link.
// Empty for a device that is no USB adapter, or that sysfs does not know.
std::string UsbSerialIdentity(const std::string& devicePath, const std::string& sysRoot);

// The ttyUSB or ttyACM device in deviceRoot whose adapter has that identity; empty when none.
std::string FindUsbSerialDevice(const std::string& deviceRoot, const std::string& identity,
                                const std::string& sysRoot);

}  // namespace platform
