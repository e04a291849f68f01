#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/RecursiveLock.h"
#include "ports/LineLossListeners.h"
#include "ports/PortManager.h"

// The one registry of named ports; reached through GetPortManager(), inside the program
// through ProcessPortManager(). Its serial ports tell it of their line losses, which it hands
// on to its line loss listeners.
class PortManagerImpl : public PortManager {
  public:
    static constexpr std::size_t kDeviceCount = 7;
    using NameTable = std::array<std::string, kDeviceCount>;
    using KindTable = std::array<std::int32_t, kDeviceCount>;

    PortManagerImpl();
    PortManagerImpl(const PortManagerImpl&) = delete;
    PortManagerImpl& operator=(const PortManagerImpl&) = delete;
    ~PortManagerImpl() override;

    Port* Open(std::string name, PortListener* listener) override;
    void CloseAll() override;
    std::int32_t GetStatus(std::string name) override;
    bool GetSettings(std::string& name, std::string& out) override;
    bool Close(std::string name, PortListener* listener) override;
    bool ShowSettingsDialog(int showOption, std::string& name, std::string& settings,
                            std::int32_t* optionState, std::int32_t kindMask, int enablePortList,
                            int enableSettings) override;
    bool Configure(std::string& name, std::string& settings) override;

    // "COM1" to "COM4", "LPT1" to "LPT3", and their PortKind codes, in that order.
    const NameTable& Names() const { return names_; }
    const KindTable& Kinds() const { return kinds_; }
    // Opens a registered serial port's device again (SerialPort::Reopen), with the settings
    // it had, for the listeners still attached; the device path is looked up by the port
    // name as at any open. False when there is no serial port of that name (any letter case)
    // or the open fails; true also when the device is open already.
    bool ReopenSerialPort(const std::string& name);
    // Listeners told of every serial port's line loss, on that port's I/O thread. Removing
    // one waits for a call in progress on it.
    void AddLineLossListener(LineLossListener* listener) { lineLoss_.Add(listener); }
    void RemoveLineLossListener(LineLossListener* listener) { lineLoss_.Remove(listener); }
    // Names of the registered ports, in registry order.
    std::vector<std::string> RegisteredNames();

    // Leading and trailing white space removed, then upper case (multibyte characters by
    // the current locale; bytes that do not decode are kept as they are).
    static std::string NormaliseName(const std::string& name);
    // Leading and trailing white space removed, letter case kept.
    static std::string TrimName(const std::string& name);

  private:
    Port* Find(const std::string& normalisedName);
    Port* FindOrCreate(const std::string& normalisedName, const std::string& givenName);
    std::unique_ptr<Port> CreatePort(const std::string& normalisedName,
                                     const std::string& givenName);

    LineLossListeners lineLoss_;  // before the ports, which tell it
    platform::RecursiveLock lock_;
    std::map<std::string, std::unique_ptr<Port>> registry_;
    NameTable names_;
    KindTable kinds_;
};

// The process's port manager, the one GetPortManager() gives.
PortManagerImpl& ProcessPortManager();
