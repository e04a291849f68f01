#include "dialogs/PortChoices.h"

#include <fcntl.h>

#include <algorithm>

#include "platform/ExclusiveDevice.h"
#include "ports/DevicePath.h"
#include "ports/PortKind.h"
#include "ports/PortManagerImpl.h"

namespace portsettings {

bool DeviceOpenableNow(const std::string& normalisedName) {
    platform::ExclusiveDevice device;
    return device.Open(DevicePathForPortName(normalisedName), O_RDWR | O_NONBLOCK);
}

std::vector<std::string> ListPortChoices(PortManagerImpl& manager, std::int32_t kindMask,
                                         const std::string& fileEntryName) {
    std::vector<std::string> choices;
    const auto add = [&choices](const std::string& name) {
        if (std::find(choices.begin(), choices.end(), name) == choices.end()) {
            choices.push_back(name);
        }
    };
    const auto& names = manager.Names();
    const auto& kinds = manager.Kinds();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if ((kinds[i] & kindMask) != 0 && DeviceOpenableNow(names[i])) {
            add(names[i]);
        }
    }
    if ((kindMask & PortKindFile) != 0) {
        add(fileEntryName);
    }
    for (const std::string& name : manager.RegisteredNames()) {
        if (manager.GetStatus(name) > 0) {
            add(name);
        }
    }
    return choices;
}

}  // namespace portsettings
