#include "app/AboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "resources/ApplicationIcon.h"
#include "resources/DialogTemplates.h"

AboutDialog::AboutDialog(QWidget* parent) : ui::TemplateDialog(resources::AboutTemplate(), parent) {
    const QIcon icon = resources::ApplicationIcon();
    setWindowIcon(icon);
    for (const ui::BuiltControl& control : Controls()) {
        if (control.spec->kind == ui::ControlKind::Icon) {
            auto* label = qobject_cast<QLabel*>(control.widget);
            label->setPixmap(icon.pixmap(label->size()));
            label->setAccessibleName(tr("Merrowby icon"));
        }
    }
    if (auto* ok = ControlAs<QPushButton>(1)) {
        connect(ok, &QPushButton::clicked, this, [this] { OnOk(); });
        ok->setFocus(Qt::OtherFocusReason);
    }
}
