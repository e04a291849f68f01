#pragma once

#include <QObject>

class QAbstractButton;
class QButtonGroup;

namespace ui {

// The keyboard of a radio group, however its buttons stand: Down and Right move to the next
// button, Up and Left to the one before (checking it when the one left was checked, as Qt's
// own arrows do), and Shift+Tab from any button leaves the group for the control before it,
// as Tab leaves it for the control after it. The group's tab stop is its first button.
class RadioGroupKeys : public QObject {
    Q_OBJECT
  public:
    // Owned by the group.
    static void Install(QButtonGroup& group);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit RadioGroupKeys(QButtonGroup& group);

    bool MoveWithin(QAbstractButton& from, bool forward);
    void LeaveBackwards();

    QButtonGroup& group_;
};

}  // namespace ui
