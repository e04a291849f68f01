#include "platform/ui/RadioButtonAccessible.h"

#include <QRadioButton>

#include "platform/ui/AccessibleFactory.h"

namespace ui {
namespace {

QAccessibleInterface* CreateForRadioButton(const QString& className, QObject* object) {
    if (className != QLatin1String("QRadioButton")) {
        return nullptr;
    }
    auto* button = qobject_cast<QRadioButton*>(object);
    return button != nullptr ? new RadioButtonAccessible(button) : nullptr;
}

}  // namespace

QString WithoutMnemonic(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
        }
        result += text[i];
    }
    return result;
}

RadioButtonAccessible::RadioButtonAccessible(QRadioButton* button)
    : QAccessibleWidget(button, QAccessible::RadioButton) {}

void RadioButtonAccessible::Install() {
    InstallAccessibleFactoryOnce<CreateForRadioButton>();
}

QRadioButton* RadioButtonAccessible::Button() const {
    return static_cast<QRadioButton*>(widget());
}

QAccessible::Role RadioButtonAccessible::role() const {
    return QAccessible::RadioButton;
}

QAccessible::State RadioButtonAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = Button()->isChecked();
    state.pressed = Button()->isDown();
    return state;
}

QString RadioButtonAccessible::text(QAccessible::Text textType) const {
    if (textType == QAccessible::Name && Button()->accessibleName().isEmpty()) {
        return WithoutMnemonic(Button()->text());
    }
    return QAccessibleWidget::text(textType);
}

QStringList RadioButtonAccessible::actionNames() const {
    QStringList names;
    if (Button()->isEnabled()) {
        names << pressAction() << toggleAction();
    }
    return names + QAccessibleWidget::actionNames();
}

void RadioButtonAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction() || actionName == toggleAction()) {
        if (Button()->isEnabled()) {
            Button()->click();
        }
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

}  // namespace ui
