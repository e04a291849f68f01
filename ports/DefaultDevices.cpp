#include "ports/DefaultDevices.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/DeviceProbe.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSerialNameCount = 4;
constexpr int kBuiltInPortCount = 4;

std::vector<std::string> SortedEntries(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The number after prefix when name is prefix followed by digits only.
std::optional<unsigned long> DeviceNumber(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size()) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::stoul(std::string(digits));
}

// <folder>/<prefix>N, by N.
std::vector<std::string> NumberedDevices(const fs::path& folder, std::string_view prefix) {
    std::vector<std::pair<unsigned long, std::string>> numbered;
    for (const std::string& name : SortedEntries(folder)) {
        if (const auto number = DeviceNumber(name, prefix)) {
            numbered.emplace_back(*number, (folder / name).string());
        }
    }
    std::sort(numbered.begin(), numbered.end());
    std::vector<std::string> paths;
    for (const auto& [number, path] : numbered) {
        paths.push_back(path);
    }
    return paths;
}

std::vector<std::string> UsbAdapters(const fs::path& root) {
    const fs::path byId = root / "serial" / "by-id";
    std::error_code error;
    if (fs::is_directory(byId, error)) {
        std::vector<std::string> paths;
        for (const std::string& name : SortedEntries(byId)) {
            paths.push_back((byId / name).string());
        }
        return paths;
    }
    std::vector<std::string> paths = NumberedDevices(root, "ttyUSB");
    const std::vector<std::string> acm = NumberedDevices(root, "ttyACM");
    paths.insert(paths.end(), acm.begin(), acm.end());
    return paths;
}

std::vector<std::string> BuiltInPorts(const fs::path& root, const UartCheck& isUart) {
    std::vector<std::string> paths;
    for (int i = 0; i < kBuiltInPortCount; ++i) {
        const std::string path = (root / ("ttyS" + std::to_string(i))).string();
        if (isUart(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

std::vector<std::string> WithoutExcludedOrRepeated(const std::vector<std::string>& candidates,
                                                   const DeviceExclusion& isLeftAlone) {
    std::vector<std::string> devices;
    std::vector<platform::DeviceIdentity> listed;
    for (const std::string& path : candidates) {
        const platform::DeviceIdentity identity = platform::IdentifyDevice(path);
        if (isLeftAlone(path) ||
            std::find(listed.begin(), listed.end(), identity) != listed.end()) {
            continue;
        }
        listed.push_back(identity);
        devices.push_back(path);
    }
    return devices;
}

}  // namespace

std::vector<std::string> DefaultSerialDevices(const std::string& deviceRoot,
                                              const UartCheck& isUart,
                                              const DeviceExclusion& isLeftAlone) {
    const fs::path root(deviceRoot);
    std::vector<std::string> candidates = UsbAdapters(root);
    const std::vector<std::string> builtIn = BuiltInPorts(root, isUart);
    candidates.insert(candidates.end(), builtIn.begin(), builtIn.end());
    std::vector<std::string> devices = WithoutExcludedOrRepeated(candidates, isLeftAlone);
    if (devices.size() > kSerialNameCount) {
        devices.resize(kSerialNameCount);
    }
    return devices;
}
