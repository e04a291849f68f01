#include "controls/StatusLampAccessible.h"

#include "controls/StatusLamp.h"
#include "platform/ui/AccessibleController.h"
#include "platform/ui/AccessibleFactory.h"

namespace {

QAccessibleInterface* CreateForLamp(const QString& className, QObject* object) {
    if (className != QLatin1String("StatusLamp")) {
        return nullptr;
    }
    auto* lamp = qobject_cast<StatusLamp*>(object);
    return lamp != nullptr ? new StatusLampAccessible(lamp) : nullptr;
}

}  // namespace

StatusLampAccessible::StatusLampAccessible(StatusLamp* lamp)
    : QAccessibleWidget(lamp, QAccessible::StaticText) {}

void StatusLampAccessible::Install() {
    ui::InstallAccessibleFactoryOnce<CreateForLamp>();
}

void StatusLampAccessible::NotifyStateChanged(StatusLamp* lamp) {
    QAccessibleEvent event(lamp, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

const StatusLamp* StatusLampAccessible::Lamp() const {
    return static_cast<const StatusLamp*>(widget());
}

QString StatusLampAccessible::text(QAccessible::Text textType) const {
    if (textType == QAccessible::Value) {
        return Lamp()->StateText();
    }
    if (textType == QAccessible::Name) {
        const QString name = QAccessibleWidget::text(textType);
        const QString state = Lamp()->StateText();
        return name.isEmpty() ? state : name + QStringLiteral(", ") + state;
    }
    return QAccessibleWidget::text(textType);
}

QStringList StatusLampAccessible::actionNames() const {
    return {};
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>> StatusLampAccessible::relations(
    QAccessible::Relation match) const {
    return QAccessibleWidget::relations(match) + ui::ControllerRelations(*Lamp(), match);
}
