#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPointer>

class QLineEdit;
class UpDownControl;

// What assistive tools see of an up-down control's buddy field: a spin button named by its
// label, with the control's position as its value and the control's range.
class UpDownBuddyAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    UpDownBuddyAccessible(QLineEdit* buddy, UpDownControl* control);

    // Installs the factory that gives every buddy of an up-down control this interface.
    static void Install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text textType) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    QPointer<UpDownControl> control_;
};
