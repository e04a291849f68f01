#pragma once

#include <string>

namespace platform {

// Whether path names a character device (following symbolic links).
bool IsCharacterDevice(const std::string& path);

// Whether the serial driver behind path reports a real UART: its TIOCGSERIAL type is not
// PORT_UNKNOWN. The built-in ports exist as devices whether or not the hardware does.
bool IsRealUart(const std::string& path);

// Whether path exists and nobody else holds it (the exclusive open of the ports).
bool IsDeviceFree(const std::string& path);

}  // namespace platform
