#pragma once

class QWidget;

namespace ui {

// Escape closes the window, as it cancels a dialog.
void CloseOnEscape(QWidget& window);

}  // namespace ui
