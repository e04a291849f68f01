#include "dialogs/UpDownBuddyAccessible.h"

#include <QLineEdit>

#include "dialogs/UpDownControl.h"
#include "platform/ui/AccessibleFactory.h"

namespace {

UpDownControl* ControlOfBuddy(QLineEdit* field) {
    QWidget* parent = field->parentWidget();
    if (parent == nullptr) {
        return nullptr;
    }
    for (auto* control : parent->findChildren<UpDownControl*>(Qt::FindDirectChildrenOnly)) {
        if (control->Buddy() == field) {
            return control;
        }
    }
    return nullptr;
}

QAccessibleInterface* CreateForBuddy(const QString& className, QObject* object) {
    if (className != QLatin1String("QLineEdit")) {
        return nullptr;
    }
    auto* field = qobject_cast<QLineEdit*>(object);
    UpDownControl* control = field != nullptr ? ControlOfBuddy(field) : nullptr;
    return control != nullptr ? new UpDownBuddyAccessible(field, control) : nullptr;
}

}  // namespace

UpDownBuddyAccessible::UpDownBuddyAccessible(QLineEdit* buddy, UpDownControl* control)
    : QAccessibleWidget(buddy, QAccessible::SpinBox), control_(control) {}

void UpDownBuddyAccessible::Install() {
    ui::InstallAccessibleFactoryOnce<CreateForBuddy>();
}

void* UpDownBuddyAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State UpDownBuddyAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

QString UpDownBuddyAccessible::text(QAccessible::Text textType) const {
    if (textType == QAccessible::Value) {
        return static_cast<QLineEdit*>(widget())->text();
    }
    return QAccessibleWidget::text(textType);
}

QVariant UpDownBuddyAccessible::currentValue() const {
    return control_ ? QVariant(control_->Position()) : QVariant();
}

void UpDownBuddyAccessible::setCurrentValue(const QVariant& value) {
    if (control_ && control_->isEnabled()) {
        control_->ScrollTo(value.toInt());
    }
}

QVariant UpDownBuddyAccessible::maximumValue() const {
    return control_ ? QVariant(control_->High()) : QVariant();
}

QVariant UpDownBuddyAccessible::minimumValue() const {
    return control_ ? QVariant(control_->Low()) : QVariant();
}

QVariant UpDownBuddyAccessible::minimumStepSize() const {
    return 1;
}
