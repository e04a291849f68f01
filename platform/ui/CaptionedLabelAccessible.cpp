#include "platform/ui/CaptionedLabelAccessible.h"

#include <QLabel>

#include "platform/ui/AccessibleController.h"
#include "platform/ui/AccessibleFactory.h"

namespace ui {
namespace {

constexpr char kCaptionProperty[] = "accessibleCaption";

QAccessibleInterface* CreateForCaptionedLabel(const QString& className, QObject* object) {
    if (className != QLatin1String("QLabel") || !object->property(kCaptionProperty).isValid()) {
        return nullptr;
    }
    auto* label = qobject_cast<QLabel*>(object);
    return label != nullptr ? new CaptionedLabelAccessible(label) : nullptr;
}

}  // namespace

CaptionedLabelAccessible::CaptionedLabelAccessible(QLabel* label)
    : QAccessibleWidget(label, QAccessible::StaticText) {}

void CaptionedLabelAccessible::SetCaption(QLabel* label, const QString& caption) {
    InstallAccessibleFactoryOnce<CreateForCaptionedLabel>();
    label->setProperty(kCaptionProperty, caption);
}

QLabel* CaptionedLabelAccessible::Label() const {
    return static_cast<QLabel*>(widget());
}

QString CaptionedLabelAccessible::text(QAccessible::Text textType) const {
    switch (textType) {
        case QAccessible::Name: {
            // Screen readers read a static text by its name only: the value goes with it.
            const QString caption = Label()->property(kCaptionProperty).toString();
            const QString shown = Label()->text();
            return shown.isEmpty() ? caption : caption + QStringLiteral(", ") + shown;
        }
        case QAccessible::Value:
        case QAccessible::Description:
            return Label()->text();
        default:
            return QAccessibleWidget::text(textType);
    }
}

}  // namespace ui

namespace ui {

QList<QPair<QAccessibleInterface*, QAccessible::Relation>> CaptionedLabelAccessible::relations(
    QAccessible::Relation match) const {
    return QAccessibleWidget::relations(match) + ControllerRelations(*Label(), match);
}

}  // namespace ui
