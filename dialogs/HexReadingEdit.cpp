#include "dialogs/HexReadingEdit.h"

#include <QKeyEvent>
#include <QValidator>

#include "platform/ui/Feedback.h"

namespace {

// Guards edits that bypass the key filter (paste, drop): text with anything but hexadecimal
// digits is refused, and the refusal beeps like a refused key.
class HexTextValidator : public QValidator {
  public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        if (HexReadingEdit::IsHexText(input)) {
            return Acceptable;
        }
        ui::Beep();
        return Invalid;
    }
};

// A character the field would insert: printable, not a control code such as backspace,
// Enter or a Ctrl shortcut.
bool IsPrintable(const QString& text) {
    return !text.isEmpty() && text.front().isPrint();
}

}  // namespace

HexReadingEdit::HexReadingEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new HexTextValidator(this));
}

bool HexReadingEdit::IsHexDigit(QChar character) {
    const char16_t code = character.unicode();
    return (code >= u'0' && code <= u'9') || (code >= u'A' && code <= u'F') ||
           (code >= u'a' && code <= u'f');
}

bool HexReadingEdit::IsHexText(const QString& text) {
    for (const QChar character : text) {
        if (!IsHexDigit(character)) {
            return false;
        }
    }
    return true;
}

void HexReadingEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!shortcut && IsPrintable(text) && !IsHexText(text)) {
        ui::Beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
