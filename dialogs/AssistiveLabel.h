#pragma once

class QString;
class QWidget;

// Names a control that no label on screen names, for assistive tools on every platform: as its
// accessible name, and as a label it is labelled by, which never shows. On Linux a combo box's
// accessible name is its current entry, and screen readers take its name from that label.
void LabelForAssistiveTools(QWidget* control, const QString& name);
