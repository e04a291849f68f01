#pragma once

#include <cstdint>
#include <string>

class Port;
class PortListener;

// The process-wide registry of named ports. The slot order below is part of the
// interface other modules are built against: do not reorder.
class PortManager {
  public:
    virtual Port* Open(std::string name, PortListener* listener) = 0;
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
