#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PortManagerImpl;

namespace portsettings {

// True when the device behind a port name exists and can be opened right now for reading and
// writing, exclusively. It is closed again at once.
bool DeviceOpenableNow(const std::string& normalisedName);

// The entries of the port list, in order: the devices of the manager's name table whose kind
// is in kindMask and that can be opened now; the file entry when kindMask has the file bit;
// then every registered port in use (GetStatus above 0), whatever its kind, in registry
// order. An entry already listed is not repeated.
std::vector<std::string> ListPortChoices(PortManagerImpl& manager, std::int32_t kindMask,
                                         const std::string& fileEntryName);

}  // namespace portsettings
