#include "ports/DeviceMapping.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/DeviceProbe.h"
#include "ports/ReservedDevices.h"

namespace {

std::optional<std::string> FromTable(const DeviceMapping::Table& table, const std::string& name) {
    const auto found = table.find(name);
    if (found == table.end() || found->second.empty()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::string> FromEnvironment(const std::string& name) {
    const std::string variable = "MERROWBY_" + name;
    const char* value = std::getenv(variable.c_str());
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

}  // namespace

const char* MappingSourceText(MappingSource source) {
    switch (source) {
        case MappingSource::CommandLine:
            return "command line";
        case MappingSource::Environment:
            return "environment";
        case MappingSource::Settings:
            return "settings";
        case MappingSource::Default:
            break;
    }
    return "default";
}

DeviceMapping::DeviceMapping(std::string deviceRoot, UartCheck isUart, std::string systemRoot)
    : deviceRoot_(std::move(deviceRoot)),
      systemRoot_(std::move(systemRoot)),
      isUart_(std::move(isUart)) {}

// The explicit choices decide which devices the default list leaves out.
void DeviceMapping::SetCommandLine(Table table) {
    const std::lock_guard guard(mutex_);
    commandLine_ = std::move(table);
    serialDefaults_.reset();
}

void DeviceMapping::SetSettings(Table table) {
    const std::lock_guard guard(mutex_);
    settings_ = std::move(table);
    serialDefaults_.reset();
}

void DeviceMapping::SetDeviceRoot(std::string deviceRoot) {
    const std::lock_guard guard(mutex_);
    deviceRoot_ = std::move(deviceRoot);
    serialDefaults_.reset();
    pinned_.clear();
}

std::string DeviceMapping::DeviceRoot() {
    const std::lock_guard guard(mutex_);
    return deviceRoot_;
}

void DeviceMapping::PinDefault(const std::string& normalisedName, std::string device) {
    const std::lock_guard guard(mutex_);
    pinned_[normalisedName] = std::move(device);
}

void DeviceMapping::SetSystemRoot(std::string systemRoot) {
    const std::lock_guard guard(mutex_);
    systemRoot_ = std::move(systemRoot);
    serialDefaults_.reset();
}

std::string DeviceMapping::SystemRoot() {
    const std::lock_guard guard(mutex_);
    return systemRoot_;
}

void DeviceMapping::Rescan() {
    std::string root;
    std::string systemRoot;
    UartCheck isUart;
    {
        const std::lock_guard guard(mutex_);
        root = deviceRoot_;
        systemRoot = systemRoot_;
        isUart = isUart_;
    }
    if (!isUart) {
        isUart = [systemRoot](const std::string& path) {
            return platform::IsRealUart(path, systemRoot);
        };
    }
    const ReservedDevices reserved(systemRoot, ExplicitDevices());
    std::vector<std::string> devices = DefaultSerialDevices(
        root, isUart, [&reserved](const std::string& path) { return reserved.Contains(path); });
    const std::lock_guard guard(mutex_);
    serialDefaults_ = std::move(devices);
    pinned_.clear();
}

std::optional<DeviceAssignment> DeviceMapping::ExplicitChoice(const std::string& name) {
    {
        const std::lock_guard guard(mutex_);
        if (auto device = FromTable(commandLine_, name)) {
            return DeviceAssignment{name, std::move(*device), MappingSource::CommandLine};
        }
    }
    if (auto device = FromEnvironment(name)) {
        return DeviceAssignment{name, std::move(*device), MappingSource::Environment};
    }
    const std::lock_guard guard(mutex_);
    if (auto device = FromTable(settings_, name)) {
        return DeviceAssignment{name, std::move(*device), MappingSource::Settings};
    }
    return std::nullopt;
}

std::vector<std::string> DeviceMapping::ExplicitDevices() {
    std::vector<std::string> devices;
    for (const std::string& name : Names()) {
        if (auto choice = ExplicitChoice(name)) {
            devices.push_back(std::move(choice->device));
        }
    }
    return devices;
}

DeviceAssignment DeviceMapping::Resolve(const std::string& normalisedName) {
    if (!IsKnownName(normalisedName)) {
        return {normalisedName, {}, MappingSource::Default};
    }
    if (auto choice = ExplicitChoice(normalisedName)) {
        return std::move(*choice);
    }
    return {normalisedName, DefaultDevice(normalisedName), MappingSource::Default};
}

std::vector<DeviceAssignment> DeviceMapping::All() {
    std::vector<DeviceAssignment> all;
    for (const std::string& name : Names()) {
        all.push_back(Resolve(name));
    }
    return all;
}

const std::vector<std::string>& DeviceMapping::Names() {
    static const std::vector<std::string> names{"COM1", "COM2", "COM3", "COM4",
                                                "LPT1", "LPT2", "LPT3"};
    return names;
}

bool DeviceMapping::IsKnownName(const std::string& normalisedName) {
    const auto& names = Names();
    return std::find(names.begin(), names.end(), normalisedName) != names.end();
}

std::string DeviceMapping::DefaultDevice(const std::string& name) {
    if (name.starts_with("LPT")) {
        const auto index = static_cast<std::size_t>(name.back() - '1');
        const std::lock_guard guard(mutex_);
        return deviceRoot_ + "/lp" + std::to_string(index);
    }
    {
        const std::lock_guard guard(mutex_);
        if (auto device = FromTable(pinned_, name)) {
            return *device;
        }
    }
    return DefaultSerialDevice(name);
}

// The n-th COM name without an explicit choice takes the n-th default device.
std::string DeviceMapping::DefaultSerialDevice(const std::string& name) {
    std::size_t index = 0;
    for (const std::string& earlier : Names()) {
        if (earlier == name) {
            break;
        }
        if (earlier.starts_with("COM") && !ExplicitChoice(earlier)) {
            ++index;
        }
    }
    bool scanned = false;
    {
        const std::lock_guard guard(mutex_);
        scanned = serialDefaults_.has_value();
    }
    if (!scanned) {
        Rescan();
    }
    const std::lock_guard guard(mutex_);
    if (serialDefaults_ && index < serialDefaults_->size()) {
        return (*serialDefaults_)[index];
    }
    return {};
}

DeviceMapping& ProcessDeviceMapping() {
    static DeviceMapping mapping;
    return mapping;
}
