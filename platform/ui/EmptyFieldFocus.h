#pragma once

class QLineEdit;

namespace ui {

// Tab into an empty field reads it. Qt selects a field's text as Tab reaches it, and for an empty
// field that raises a caret event ahead of the focus event; Orca then takes the field as already
// read and says nothing. An empty field has nothing to select, so it takes the focus without.
void ReadEmptyFieldOnTab(QLineEdit& field);

}  // namespace ui
