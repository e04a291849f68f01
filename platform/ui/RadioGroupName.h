#pragma once

#include <initializer_list>

class QRadioButton;
class QString;

namespace ui {

// Names a pair of radio buttons that no group box names, for screen readers, which say the
// group's name as the focus enters it: each button is labelled by a label with that name that
// never shows. The buttons keep their own texts as their names.
void NameRadioGroup(std::initializer_list<QRadioButton*> buttons, const QString& name);

}  // namespace ui
