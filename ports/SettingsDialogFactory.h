#pragma once

#include <cstdint>
#include <memory>
#include <string>

class PortManagerImpl;

// The port settings dialog lives in the user interface; the manager only builds and runs
// it through this hook.
class SettingsDialogSession {
  public:
    virtual ~SettingsDialogSession() = default;
    // Runs the dialog modally; true when it ended with OK.
    virtual bool RunModal() = 0;
};

using SettingsDialogFactory = std::unique_ptr<SettingsDialogSession> (*)(
    PortManagerImpl& manager, int showOption, std::string& name, std::string& settings,
    std::int32_t* optionState, std::int32_t kindMask, int enablePortList, int enableSettings);

// Installs the factory ShowSettingsDialog uses; nullptr removes it.
void SetSettingsDialogFactory(SettingsDialogFactory factory);
SettingsDialogFactory CurrentSettingsDialogFactory();
