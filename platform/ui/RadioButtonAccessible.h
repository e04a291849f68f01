#pragma once

#include <QAccessibleWidget>

class QRadioButton;

namespace ui {

// What assistive tools see of a radio button in one of the builder's groups: a radio button,
// checked or not, and activated as a click, so that its handler runs as for a mouse click.
class RadioButtonAccessible : public QAccessibleWidget {
  public:
    explicit RadioButtonAccessible(QRadioButton* button);

    // Installs the factory that gives every QRadioButton this interface (once per process).
    static void Install();

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text textType) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    QRadioButton* Button() const;
};

// A control text as read aloud: the mnemonic marks removed ("&&" stays one "&").
QString WithoutMnemonic(const QString& text);

}  // namespace ui
