#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class PortManager;

// What a module loaded into the program does with the port manager it reaches through the
// executable's export. The probe module implements it; the host drives it by these virtual
// calls alone, and the module knows the ports only by their interface headers.
class ExportProbe {
  public:
    virtual ~ExportProbe() = default;

    // The manager through the module's own reference to GetPortManager, bound when the
    // module was loaded, and through a lookup of the name in the process's global scope.
    virtual PortManager* ManagerBoundAtLoad() = 0;
    virtual PortManager* ManagerLookedUp() = 0;

    // Opens the port with the module's listener; the port's type name, empty when it failed.
    virtual std::string Open(const std::string& name) = 0;
    virtual bool Write(const std::string& data) = 0;
    // Waits until the module's listener has received count bytes; what it got so far.
    virtual std::string Received(std::size_t count) = 0;
    // ShowSettingsDialog with the option shown and everything enabled, offering serial
    // devices and the file entry.
    virtual bool ShowSettingsDialog(std::string& name, std::string& settings,
                                    std::int32_t& option) = 0;
    // Applies settings to the open port through the manager; the settings the port then
    // reports, empty when that failed.
    virtual std::string Configure(const std::string& settings) = 0;
    virtual bool Close() = 0;
};

// The module's entry, looked up by this name: a new probe, deleted by the caller.
inline constexpr char kExportProbeEntry[] = "CreateExportProbe";
using ExportProbeEntry = ExportProbe* (*)();
