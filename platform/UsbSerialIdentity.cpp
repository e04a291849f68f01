#include "platform/UsbSerialIdentity.h"

#include <algorithm>
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

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// A USB device folder carries its bus number and its port path.
bool IsUsbDevice(const fs::path& folder) {
    return Exists(folder / "busnum") && Exists(folder / "devpath");
}

bool IsAdapterName(const std::string& name) {
    return name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

// The tty's own name: a stable link (by-id) names the tty it points at.
std::string TtyName(const std::string& devicePath) {
    std::string name = fs::path(devicePath).filename().string();
    if (IsAdapterName(name)) {
        return name;
    }
    std::error_code error;
    name = fs::canonical(devicePath, error).filename().string();
    return error ? std::string() : name;
}

bool SameKind(const UsbSerialIdentity& one, const UsbSerialIdentity& other) {
    return one.vendor == other.vendor && one.product == other.product &&
           one.interface == other.interface;
}

bool WasThere(const UsbSerialDevice& device, const std::vector<UsbSerialDevice>& before) {
    return std::any_of(before.begin(), before.end(), [&](const UsbSerialDevice& earlier) {
        return earlier.identity.usbPort == device.identity.usbPort &&
               earlier.identity.interface == device.identity.interface;
    });
}

}  // namespace

UsbSerialIdentity UsbSerialIdentityOf(const std::string& devicePath, const std::string& sysRoot) {
    const std::string name = TtyName(devicePath);
    std::error_code error;
    const fs::path top = fs::canonical(sysRoot, error);
    fs::path folder = fs::canonical(top / "class" / "tty" / name / "device", error);
    if (name.empty() || error) {
        return {};
    }
    // A ttyUSB's device is its port (port_number) in an interface; a ttyACM's the interface.
    const std::string portNumber = FirstLine(folder / "port_number");
    std::string interface;
    for (; folder.has_relative_path() && folder != top; folder = folder.parent_path()) {
        if (interface.empty() && Exists(folder / "bInterfaceNumber")) {
            interface = FirstLine(folder / "bInterfaceNumber");
            if (!portNumber.empty()) {
                interface += "." + portNumber;
            }
        }
        if (IsUsbDevice(folder)) {
            return {FirstLine(folder / "idVendor"), FirstLine(folder / "idProduct"),
                    FirstLine(folder / "serial"), folder.filename().string(), interface};
        }
    }
    return {};
}

std::vector<UsbSerialDevice> UsbSerialDevices(const std::string& deviceRoot,
                                              const std::string& sysRoot) {
    std::vector<UsbSerialDevice> devices;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(deviceRoot, error)) {
        if (!IsAdapterName(entry.path().filename().string())) {
            continue;
        }
        UsbSerialIdentity identity = UsbSerialIdentityOf(entry.path().string(), sysRoot);
        if (identity.IsKnown()) {
            devices.push_back({entry.path().string(), std::move(identity)});
        }
    }
    std::sort(devices.begin(), devices.end(),
              [](const UsbSerialDevice& a, const UsbSerialDevice& b) { return a.path < b.path; });
    return devices;
}

AdapterReturn FindReturnedAdapter(const UsbSerialIdentity& lost,
                                  const std::vector<UsbSerialDevice>& present,
                                  const std::vector<UsbSerialDevice>& before) {
    if (!lost.IsKnown()) {
        return {};
    }
    std::vector<const UsbSerialDevice*> elsewhere;
    for (const UsbSerialDevice& device : present) {
        const UsbSerialIdentity& identity = device.identity;
        if (!SameKind(identity, lost) || identity.serial != lost.serial) {
            continue;
        }
        if (!lost.serial.empty() || identity.usbPort == lost.usbPort) {
            return {AdapterReturn::Outcome::Found, device.path};
        }
        if (!WasThere(device, before)) {
            elsewhere.push_back(&device);
        }
    }
    if (elsewhere.size() == 1) {
        return {AdapterReturn::Outcome::Found, elsewhere.front()->path};
    }
    return {elsewhere.empty() ? AdapterReturn::Outcome::None : AdapterReturn::Outcome::Ambiguous,
            {}};
}

}  // namespace platform
