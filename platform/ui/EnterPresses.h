#pragma once

class QWidget;

namespace ui {

// Enter, on either keyboard, presses the focused push button of a window that is not a dialog,
// as it does in a dialog. Elsewhere Enter goes on as before.
void PressFocusedButtonOnEnter(QWidget& window);

}  // namespace ui
