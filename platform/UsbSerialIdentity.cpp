#include "platform/UsbSerialIdentity.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

namespace {

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// A USB device folder carries its bus number and its port path.
bool IsUsbDevice(const fs::path& folder) {
    std::error_code error;
    return fs::exists(folder / "busnum", error) && fs::exists(folder / "devpath", error);
}

bool IsAdapterName(const std::string& name) {
    return name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

}  // namespace

std::string UsbSerialIdentity(const std::string& devicePath, const std::string& sysRoot) {
    std::error_code error;
    // A stable link (by-id) names the tty it points at; a tty's own name is kept.
    std::string name = fs::path(devicePath).filename().string();
    if (!IsAdapterName(name)) {
        name = fs::canonical(devicePath, error).filename().string();
        if (error) {
            return {};
        }
    }
    const fs::path top = fs::canonical(sysRoot, error);
    fs::path folder = fs::canonical(top / "class" / "tty" / name / "device", error);
    if (error) {
        return {};
    }
    for (; folder.has_relative_path() && folder != top; folder = folder.parent_path()) {
        if (!IsUsbDevice(folder)) {
            continue;
        }
        const std::string serial = FirstLine(folder / "serial");
        if (!serial.empty()) {
            return "serial:" + serial;
        }
        return "port:" + folder.filename().string();
    }
    return {};
}

std::string FindUsbSerialDevice(const std::string& deviceRoot, const std::string& identity,
                                const std::string& sysRoot) {
    if (identity.empty()) {
        return {};
    }
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(deviceRoot, error)) {
        const std::string name = entry.path().filename().string();
        if (IsAdapterName(name) && UsbSerialIdentity(entry.path().string(), sysRoot) == identity) {
            return entry.path().string();
        }
    }
    return {};
}

}  // namespace platform
