#include "app/PortListing.h"

#include <filesystem>
#include <system_error>

#include "platform/TerminalHolders.h"
#include "ports/ReservedDevices.h"

namespace {

// Learnt without opening the device, since an open and close moves a serial line's modem
// lines: in use is a console, someone's terminal or a device under an flock.
std::string Availability(const std::string& device, const ReservedDevices& terminals,
                         const std::string& systemRoot) {
    std::error_code error;
    if (device.empty() || !std::filesystem::exists(device, error)) {
        return "absent";
    }
    const bool inUse = terminals.Contains(device) || platform::IsDeviceLocked(device, systemRoot);
    return inUse ? "present, in use" : "present, free";
}

}  // namespace

std::string AssignmentText(const DeviceAssignment& assignment) {
    const std::string device = assignment.device.empty() ? "(none)" : assignment.device;
    return assignment.name + " = " + device + " (" + MappingSourceText(assignment.source) + ")";
}

std::vector<std::string> PortListingLines(DeviceMapping& mapping) {
    const std::string systemRoot = mapping.SystemRoot();
    const ReservedDevices terminals(systemRoot, {});
    std::vector<std::string> lines;
    for (const DeviceAssignment& assignment : mapping.All()) {
        lines.push_back(AssignmentText(assignment) + ": " +
                        Availability(assignment.device, terminals, systemRoot));
    }
    return lines;
}
