#include "ports/DeviceMapping.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/DeviceProbe.h"

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

DeviceMapping::DeviceMapping(std::string deviceRoot, UartCheck isUart)
    : deviceRoot_(std::move(deviceRoot)),
      isUart_(isUart ? std::move(isUart) : UartCheck(platform::IsRealUart)) {}

void DeviceMapping::SetCommandLine(Table table) {
    const std::lock_guard guard(mutex_);
    commandLine_ = std::move(table);
}

void DeviceMapping::SetSettings(Table table) {
    const std::lock_guard guard(mutex_);
    settings_ = std::move(table);
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

void DeviceMapping::Rescan() {
    std::string root;
    {
        const std::lock_guard guard(mutex_);
        root = deviceRoot_;
    }
    std::vector<std::string> devices = DefaultSerialDevices(root, isUart_);
    const std::lock_guard guard(mutex_);
    serialDefaults_ = std::move(devices);
    pinned_.clear();
}

DeviceAssignment DeviceMapping::Resolve(const std::string& normalisedName) {
    if (!IsKnownName(normalisedName)) {
        return {normalisedName, {}, MappingSource::Default};
    }
    {
        const std::lock_guard guard(mutex_);
        if (auto device = FromTable(commandLine_, normalisedName)) {
            return {normalisedName, std::move(*device), MappingSource::CommandLine};
        }
    }
    if (auto device = FromEnvironment(normalisedName)) {
        return {normalisedName, std::move(*device), MappingSource::Environment};
    }
    {
        const std::lock_guard guard(mutex_);
        if (auto device = FromTable(settings_, normalisedName)) {
            return {normalisedName, std::move(*device), MappingSource::Settings};
        }
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
    const auto index = static_cast<std::size_t>(name.back() - '1');
    if (name.starts_with("LPT")) {
        const std::lock_guard guard(mutex_);
        return deviceRoot_ + "/lp" + std::to_string(index);
    }
    {
        const std::lock_guard guard(mutex_);
        if (auto device = FromTable(pinned_, name)) {
            return *device;
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
