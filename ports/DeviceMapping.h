#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ports/DefaultDevices.h"

// Where the device a port name stands for was chosen, strongest first.
enum class MappingSource { CommandLine, Environment, Settings, Default };

// "command line", "environment", "settings" or "default".
const char* MappingSourceText(MappingSource source);

struct DeviceAssignment {
    std::string name;
    std::string device;  // empty when nothing stands behind the name
    MappingSource source = MappingSource::Default;
};

// Which device each of COM1 to COM4 and LPT1 to LPT3 stands for. In order of precedence: the
// command line, the environment variable MERROWBY_<name>, the saved settings, the default
// (LPT1 to LPT3: lp0 to lp2 in the device folder). The COM names without an explicit choice
// take DefaultSerialDevices of the device folder in turn, leaving out the system console,
// terminals in use as a controlling terminal and every device chosen explicitly, so that no
// device stands behind two names.
class DeviceMapping {
  public:
    using Table = std::map<std::string, std::string>;  // normalised name to device path

    // systemRoot: where sys/ and proc/ are read ("/" on a running system).
    explicit DeviceMapping(std::string deviceRoot = "/dev", UartCheck isUart = {},
                           std::string systemRoot = "/");

    void SetCommandLine(Table table);
    void SetSettings(Table table);
    void SetDeviceRoot(std::string deviceRoot);
    std::string DeviceRoot();
    void SetSystemRoot(std::string systemRoot);
    std::string SystemRoot();
    // Reads the device folder again (before, on first use); forgets what was pinned.
    void Rescan();
    // A default-mapped name stands for device from now on, until the next Rescan: an
    // adapter that came back under another name keeps its port name.
    void PinDefault(const std::string& normalisedName, std::string device);

    // An empty device for a name that is none of the seven.
    DeviceAssignment Resolve(const std::string& normalisedName);
    // COM1 to COM4, then LPT1 to LPT3.
    std::vector<DeviceAssignment> All();

    static const std::vector<std::string>& Names();
    static bool IsKnownName(const std::string& normalisedName);

  private:
    std::optional<DeviceAssignment> ExplicitChoice(const std::string& name);
    std::vector<std::string> ExplicitDevices();
    std::string DefaultDevice(const std::string& name);
    std::string DefaultSerialDevice(const std::string& name);

    std::mutex mutex_;
    std::string deviceRoot_;
    std::string systemRoot_;
    UartCheck isUart_;
    Table commandLine_;
    Table settings_;
    std::optional<std::vector<std::string>> serialDefaults_;
    Table pinned_;
};

// The mapping the ports of this process open their devices by.
DeviceMapping& ProcessDeviceMapping();
