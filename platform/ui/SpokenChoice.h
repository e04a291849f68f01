#pragma once

#include <QObject>

class QComboBox;

namespace ui {

// Lets screen readers tell a drop-down list's current entry. Qt 6.4 tells them of a new entry
// only as a name change of the list and a selection change without a selected child, and
// screen readers say nothing of either. The entry is the list's description, which is read
// with the list when it takes the focus, and a new entry chosen with the keys while the list
// is closed is told as a notification (ScreenReaderNotice).
class SpokenChoice : public QObject {
    Q_OBJECT
  public:
    // Made for the list, owned by it.
    static void Attach(QComboBox& combo);

  private:
    explicit SpokenChoice(QComboBox& combo);
    void OnEntryChanged();

    QComboBox& combo_;
};

}  // namespace ui
