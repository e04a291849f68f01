#pragma once

#include <QLineEdit>

// A single-line field for the card's hexadecimal timing readings: typed hexadecimal digits
// (either case) and backspace pass; any other character is refused with a beep. Pasted or
// dropped text that is not all hexadecimal digits is refused whole, also with a beep.
// Keys that produce no character (arrows, Delete, Enter, shortcuts) are not filtered.
class HexReadingEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit HexReadingEdit(QWidget* parent = nullptr);

    static bool IsHexDigit(QChar character);
    static bool IsHexText(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
