#pragma once

#include <QClipboard>
#include <QLineEdit>

// A single-line field for the card's hexadecimal timing readings: typed hexadecimal digits
// (either case) and backspace pass; any other character is refused with a beep, and so is a
// digit that would not fit. Each refusal is told to screen readers with its reason. Edits that do
// not come from typing follow the same rules: a paste, drop or undo whose result would hold
// anything but hexadecimal digits, or more characters than the field's limit, is refused
// whole, also with a beep. Copy, cut and select-all work as in any field. Keys that produce no
// character (arrows, Delete, Enter) are not filtered.
class HexReadingEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit HexReadingEdit(QWidget* parent = nullptr);

    static bool IsHexDigit(QChar character);
    static bool IsHexText(const QString& text);

    // Whether the field accepts that whole text.
    bool Accepts(const QString& text) const;
    // Paste, undo and redo under the field's rules.
    void PasteChecked(QClipboard::Mode mode = QClipboard::Clipboard);
    void UndoChecked();
    void RedoChecked();
    // True while an undo or redo is being checked: the validator then refuses silently.
    bool IsCheckingUndo() const { return checkingUndo_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool HandleEditCommand(QKeyEvent* event);
    void StepHistory(void (QLineEdit::*step)(), void (QLineEdit::*back)());

    bool checkingUndo_ = false;
};
