#include "dialogs/StandardButtons.h"

#include <QPushButton>

#include "platform/ui/TemplateDialog.h"

void ConnectStandardButtons(ui::TemplateDialog& dialog) {
    if (auto* ok = dialog.ControlAs<QPushButton>(kIdOk)) {
        QObject::connect(ok, &QPushButton::clicked, &dialog, [&dialog] { dialog.OnOk(); });
    }
    if (auto* cancel = dialog.ControlAs<QPushButton>(kIdCancel)) {
        QObject::connect(cancel, &QPushButton::clicked, &dialog, [&dialog] { dialog.OnCancel(); });
    }
}
