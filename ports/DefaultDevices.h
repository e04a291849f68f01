#pragma once

#include <functional>
#include <string>
#include <vector>

// Whether a built-in serial device is backed by a real UART.
using UartCheck = std::function<bool(const std::string& path)>;

// The serial devices COM1 to COM4 stand for when nothing is configured, at most four, in this
// order: the USB adapters by their stable names under <deviceRoot>/serial/by-id (sorted), or
// <deviceRoot>/ttyUSB* and then ttyACM* (by number) where that folder is missing; then
// <deviceRoot>/ttyS0 to ttyS3 where isUart says so.
std::vector<std::string> DefaultSerialDevices(const std::string& deviceRoot,
                                              const UartCheck& isUart);
