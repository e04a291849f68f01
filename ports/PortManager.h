#pragma once

#include <cstdint>
#include <string>

class Port;
class PortListener;

// The process-wide registry of named ports. The slot order below is part of the
// interface other modules are built against: do not reorder. No operation lets an exception
// out: a failure (out of memory included) is reported through the result.
class PortManager {
  public:
    virtual Port* Open(std::string name, PortListener* listener) = 0;
    // Does nothing when called from a port's I/O thread (inside a listener's OnReceive).
    virtual void CloseAll() = 0;
    virtual std::int32_t GetStatus(std::string name) = 0;
    virtual bool GetSettings(std::string& name, std::string& out) = 0;
    virtual bool Close(std::string name, PortListener* listener) = 0;
    virtual bool ShowSettingsDialog(int showOption, std::string& name, std::string& settings,
                                    std::int32_t* optionState, std::int32_t kindMask,
                                    int enablePortList, int enableSettings) = 0;
    virtual bool Configure(std::string& name, std::string& settings) = 0;
    virtual ~PortManager() = default;
};

extern "C" PortManager* GetPortManager();
