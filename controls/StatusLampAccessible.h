#pragma once

#include <QAccessibleWidget>

class StatusLamp;

// What assistive tools see of a lamp: an indicator (a static text) that takes no input, with
// "lit" or "dark" as its value.
class StatusLampAccessible : public QAccessibleWidget {
  public:
    explicit StatusLampAccessible(StatusLamp* lamp);

    // Installs the factory that gives every StatusLamp this interface (once per process).
    static void Install();

    QString text(QAccessible::Text textType) const override;
    QStringList actionNames() const override;

  private:
    const StatusLamp* Lamp() const;
};
