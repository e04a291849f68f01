#include "dialogs/AssistiveLabel.h"

#include <QLabel>
#include <QString>

void LabelForAssistiveTools(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    auto* label = new QLabel(name, control->parentWidget());  // owned by the dialog
    label->setBuddy(control);
    label->hide();
}
