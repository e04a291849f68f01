#include "app/PortListing.h"

#include <filesystem>
#include <system_error>

#include "platform/DeviceProbe.h"

namespace {

std::string Availability(const std::string& device) {
    std::error_code error;
    if (device.empty() || !std::filesystem::exists(device, error)) {
        return "absent";
    }
    return platform::IsDeviceFree(device) ? "present, free" : "present, in use";
}

}  // namespace

std::string AssignmentText(const DeviceAssignment& assignment) {
    const std::string device = assignment.device.empty() ? "(none)" : assignment.device;
    return assignment.name + " = " + device + " (" + MappingSourceText(assignment.source) + ")";
}

std::vector<std::string> PortListingLines(DeviceMapping& mapping) {
    std::vector<std::string> lines;
    for (const DeviceAssignment& assignment : mapping.All()) {
        lines.push_back(AssignmentText(assignment) + ": " + Availability(assignment.device));
    }
    return lines;
}
