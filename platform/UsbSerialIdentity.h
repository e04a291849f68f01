#pragma once

#include <string>
#include <vector>

namespace platform {

// What sysfs tells of the USB serial adapter behind a tty. The interface (and the port within
// it) tells apart the ports of a dual or quad adapter, which share one serial number.
struct UsbSerialIdentity {
    std::string vendor;     // idVendor
    std::string product;    // idProduct
    std::string serial;     // empty: the adapter has no serial number
    std::string usbPort;    // the USB port path, e.g. 1-1.2
    std::string interface;  // bInterfaceNumber, and the port_number within it if there is one

    bool IsKnown() const { return !usbPort.empty(); }
    bool operator==(const UsbSerialIdentity&) const = default;
};

// Read from sysfs (sysRoot, normally /sys) through the tty's device link; a stable link
// (by-id) is followed to its tty. Not known (empty) for a device that is no USB adapter, or
// that sysfs does not know.
UsbSerialIdentity UsbSerialIdentityOf(const std::string& devicePath, const std::string& sysRoot);

struct UsbSerialDevice {
    std::string path;
    UsbSerialIdentity identity;
};

// The ttyUSB and ttyACM devices in deviceRoot that sysfs knows as USB adapters.
std::vector<UsbSerialDevice> UsbSerialDevices(const std::string& deviceRoot,
                                              const std::string& sysRoot);

struct AdapterReturn {
    enum class Outcome { None, Found, Ambiguous };
    Outcome outcome = Outcome::None;
    std::string device;  // when found
};

// The device standing for a lost adapter among those present now. One with a serial number
// is found by it (the same vendor, product and interface too), wherever it is plugged in.
// One without is found in its old USB port; in another only when it is the one adapter of
// its vendor and product (and interface) that appeared since the loss (was not among
// before): with two or more it is Ambiguous. A different serial number is never taken.
AdapterReturn FindReturnedAdapter(const UsbSerialIdentity& lost,
                                  const std::vector<UsbSerialDevice>& present,
                                  const std::vector<UsbSerialDevice>& before);

}  // namespace platform
