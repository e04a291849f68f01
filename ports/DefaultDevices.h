#pragma once

#include <functional>
#include <string>
#include <vector>

// Whether a built-in serial device is backed by a real UART.
using UartCheck = std::function<bool(const std::string& path)>;
// Whether a device is to be left alone: the console, someone's terminal, a device chosen
// explicitly for a name.
using DeviceExclusion = std::function<bool(const std::string& path)>;

// The serial devices COM1 to COM4 stand for when nothing is configured, at most four, in this
// order: the USB adapters by their stable names under <deviceRoot>/serial/by-id (sorted), or
// <deviceRoot>/ttyUSB* and then ttyACM* (by number) where that folder is missing; then
// <deviceRoot>/ttyS0 to ttyS3 where isUart says so. Devices isLeftAlone names, and a second
// name of a device listed already, are left out.
std::vector<std::string> DefaultSerialDevices(const std::string& deviceRoot,
                                              const UartCheck& isUart,
                                              const DeviceExclusion& isLeftAlone);
