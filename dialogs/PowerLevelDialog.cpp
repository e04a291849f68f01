#include "dialogs/PowerLevelDialog.h"

#include <QComboBox>

#include "dialogs/AssistiveLabel.h"
#include "dialogs/PowerLevelTable.h"
#include "dialogs/StandardButtons.h"
#include "resources/DialogTemplates.h"

PowerLevelDialog::PowerLevelDialog(QWidget* parent)
    : ui::TemplateDialog(resources::PowerLevelTemplate(), parent),
      levelList_(ControlAs<QComboBox>(IdLevelList)) {
    ConnectStandardButtons(*this);
    LabelForAssistiveTools(levelList_, tr("Target Power Level"));
    // The list is kept in table order, which is also its sorted order.
    for (const PowerLevel& level : PowerLevels()) {
        levelList_->addItem(QString::fromLatin1(level.text.data(), level.text.size()));
    }
    levelList_->setCurrentIndex(kDefaultPowerLevelPosition);
    code_ = PowerLevels()[kDefaultPowerLevelPosition].code;
}

void PowerLevelDialog::OnOk() {
    const int position = levelList_->currentIndex();
    if (position >= 0 && position < kPowerLevelCount) {
        code_ = PowerLevels()[position].code;
    }
    accept();
}
