#include "platform/ui/RadioGroupName.h"

#include <QLabel>
#include <QRadioButton>

namespace ui {

void NameRadioGroup(std::initializer_list<QRadioButton*> buttons, const QString& name) {
    for (QRadioButton* button : buttons) {
        auto* label = new QLabel(name, button->parentWidget());  // owned by the dialog
        label->setBuddy(button);
        label->hide();
    }
}

}  // namespace ui
