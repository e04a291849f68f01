#pragma once

#include <QAccessibleWidget>

class StatusLamp;

// What assistive tools see of a lamp: an indicator (a static text) that takes no input, whose
// name ends in its state ("Spread lamp 0, lit"), as screen readers speak the name of a static
// text but not its value; "lit" or "dark" is its value too.
class StatusLampAccessible : public QAccessibleWidget {
  public:
    explicit StatusLampAccessible(StatusLamp* lamp);

    // Installs the factory that gives every StatusLamp this interface (once per process).
    static void Install();
    // Tells assistive tools that the lamp's name now ends in its new state.
    static void NotifyStateChanged(StatusLamp* lamp);

    QString text(QAccessible::Text textType) const override;
    QStringList actionNames() const override;
    // With the control whose data lights it (ui::SetAccessibleController) as its controller.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override;

  private:
    const StatusLamp* Lamp() const;
};
