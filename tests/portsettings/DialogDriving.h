#pragma once

#include <QString>
#include <array>
#include <span>
#include <string>
#include <vector>

class PortSettingsDialog;

// Reading and working the port settings dialog's controls the way a user does.
namespace portsettingstest {

// The six controls of the line settings and the three of the file path.
inline constexpr std::array kLineSettingControls{1019, 1006, 1020, 1008, 1021, 1007};
inline constexpr std::array kPathControls{1022, 1015, 3};

std::vector<std::string> Entries(const PortSettingsDialog& dialog);
QString CurrentText(const PortSettingsDialog& dialog, int listId);
// Selects the first item of the list that begins with prefix; false when there is none.
bool ChooseItem(PortSettingsDialog& dialog, int listId, const QString& prefix);
void ClickOk(PortSettingsDialog& dialog);
// True when every one of the controls is shown (shown) or every one is hidden (!shown).
bool AllShown(const PortSettingsDialog& dialog, std::span<const int> ids, bool shown);

// The settings string the items' leading characters stand for, in its documented form
// "<baud code>,<parity>,8,<stop bits>,0".
std::string SettingsFrom(const std::string& baudCode, const std::string& parity,
                         const std::string& stopBits);

}  // namespace portsettingstest
