#pragma once

namespace ui {
class TemplateDialog;
}

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Connects a dialog's OK (1) and Cancel (2) push buttons to its OnOk() and OnCancel().
void ConnectStandardButtons(ui::TemplateDialog& dialog);
