#include "DialogDriving.h"

#include <QComboBox>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

#include "dialogs/PortSettingsDialog.h"

namespace portsettingstest {

std::vector<std::string> Entries(const PortSettingsDialog& dialog) {
    const auto* list = dialog.ControlAs<QComboBox>(PortSettingsDialog::kPortList);
    std::vector<std::string> entries;
    for (int i = 0; i < list->count(); ++i) {
        entries.push_back(list->itemText(i).toStdString());
    }
    return entries;
}

QString CurrentText(const PortSettingsDialog& dialog, int listId) {
    return dialog.ControlAs<QComboBox>(listId)->currentText();
}

bool ChooseItem(PortSettingsDialog& dialog, int listId, const QString& prefix) {
    auto* list = dialog.ControlAs<QComboBox>(listId);
    const int index = list->findText(prefix, Qt::MatchStartsWith | Qt::MatchCaseSensitive);
    if (index < 0) {
        return false;
    }
    list->setCurrentIndex(index);
    return true;
}

void ClickOk(PortSettingsDialog& dialog) {
    dialog.ControlAs<QPushButton>(1)->click();
}

bool AllShown(const PortSettingsDialog& dialog, std::span<const int> ids, bool shown) {
    return std::all_of(ids.begin(), ids.end(),
                       [&](int id) { return dialog.Control(id)->isHidden() != shown; });
}

std::string SettingsFrom(const std::string& baudCode, const std::string& parity,
                         const std::string& stopBits) {
    char text[64];
    std::snprintf(text, sizeof text, "%s,%s,8,%s,0", baudCode.c_str(), parity.c_str(),
                  stopBits.c_str());
    return text;
}

}  // namespace portsettingstest
