#include "platform/ui/AccessibleController.h"

#include <QVariant>
#include <QWidget>

namespace ui {
namespace {

constexpr char kControllerProperty[] = "accessibleController";

}  // namespace

void SetAccessibleController(QWidget& indicator, QWidget& controller) {
    indicator.setProperty(kControllerProperty, QVariant::fromValue<QObject*>(&controller));
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>> ControllerRelations(
    const QWidget& indicator, QAccessible::Relation match) {
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> found;
    auto* controller = indicator.property(kControllerProperty).value<QObject*>();
    if (controller == nullptr || !(match & QAccessible::Controller)) {
        return found;
    }
    if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(controller)) {
        found.append({accessible, QAccessible::Controller});
    }
    return found;
}

}  // namespace ui
