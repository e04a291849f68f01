#include "platform/ui/SpokenChoice.h"

#include <QAbstractItemView>
#include <QComboBox>

#include "platform/ui/ScreenReaderNotice.h"

namespace ui {

SpokenChoice::SpokenChoice(QComboBox& combo) : QObject(&combo), combo_(combo) {
    combo_.setAccessibleDescription(combo_.currentText());
    connect(&combo_, &QComboBox::currentIndexChanged, this, &SpokenChoice::OnEntryChanged);
}

void SpokenChoice::Attach(QComboBox& combo) {
    if (combo.findChild<SpokenChoice*>(QString(), Qt::FindDirectChildrenOnly) == nullptr) {
        new SpokenChoice(combo);  // owned by the list
    }
}

void SpokenChoice::OnEntryChanged() {
    combo_.setAccessibleDescription(combo_.currentText());
    // An open list tells its entries itself.
    const bool listOpen = combo_.view() != nullptr && combo_.view()->isVisible();
    if (combo_.hasFocus() && !listOpen) {
        ScreenReaderNotice::Tell(combo_, combo_.currentText());
    }
}

}  // namespace ui
