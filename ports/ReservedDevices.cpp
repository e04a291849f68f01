#include "ports/ReservedDevices.h"

#include <algorithm>
#include <filesystem>

#include "platform/TerminalHolders.h"

ReservedDevices::ReservedDevices(const std::string& systemRoot,
                                 const std::vector<std::string>& chosenPaths) {
    platform::ConsoleDevices consoles = platform::SystemConsoles(systemRoot);
    consoleNames_ = std::move(consoles.names);
    heldNumbers_ = std::move(consoles.numbers);
    heldNumbers_.merge(platform::ControllingTerminals(systemRoot));
    for (const std::string& path : chosenPaths) {
        chosen_.push_back(platform::IdentifyDevice(path));
    }
}

bool ReservedDevices::Contains(const std::string& path) const {
    const platform::DeviceIdentity identity = platform::IdentifyDevice(path);
    const std::string givenName = std::filesystem::path(path).filename().string();
    const std::string name = std::filesystem::path(identity.resolvedPath).filename().string();
    return consoleNames_.contains(givenName) || consoleNames_.contains(name) ||
           (identity.number != 0 && heldNumbers_.contains(identity.number)) ||
           std::find(chosen_.begin(), chosen_.end(), identity) != chosen_.end();
}
