#include "ports/DevicePath.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace {

struct DeviceDefault {
    std::string_view name;
    std::string_view path;
};

constexpr std::array<DeviceDefault, 7> kDefaults{{
    {"COM1", "/dev/ttyS0"},
    {"COM2", "/dev/ttyS1"},
    {"COM3", "/dev/ttyS2"},
    {"COM4", "/dev/ttyS3"},
    {"LPT1", "/dev/lp0"},
    {"LPT2", "/dev/lp1"},
    {"LPT3", "/dev/lp2"},
}};

}  // namespace

std::string DevicePathForPortName(const std::string& normalisedName) {
    for (const auto& entry : kDefaults) {
        if (entry.name != normalisedName) {
            continue;
        }
        const std::string variable = "MERROWBY_" + normalisedName;
        const char* overridden = std::getenv(variable.c_str());
        if (overridden != nullptr && *overridden != '\0') {
            return overridden;
        }
        return std::string(entry.path);
    }
    return {};
}
