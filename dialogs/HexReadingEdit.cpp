#include "dialogs/HexReadingEdit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QValidator>
#include <functional>
#include <memory>

#include "platform/ui/Feedback.h"
#include "platform/ui/ScreenReaderNotice.h"

namespace {

// Guards the edits that bypass the key filter (drop, the toolkit's own undo): text the field
// does not accept is refused, and the refusal beeps like a refused key.
class HexTextValidator : public QValidator {
  public:
    explicit HexTextValidator(HexReadingEdit* field) : QValidator(field), field_(field) {}

    State validate(QString& input, int&) const override {
        if (field_->Accepts(input)) {
            return Acceptable;
        }
        if (!field_->IsCheckingUndo()) {
            ui::Beep();
        }
        return Invalid;
    }

  private:
    const HexReadingEdit* field_;
};

// A refusal is beeped, and told to a screen reader, which would not notice the unchanged text.
void Refuse(QWidget& field, const QString& told) {
    ui::Beep();
    ui::ScreenReaderNotice::Tell(field, told);
}

QString Spoken(const QString& typed) {
    return typed == QLatin1String(" ") ? QStringLiteral("Space") : typed;
}

// A character the field would insert: printable, not a control code such as backspace,
// Enter or a Ctrl shortcut.
bool IsPrintable(const QString& text) {
    return !text.isEmpty() && text.front().isPrint();
}

// The text after inserting over the selection.
QString TextAfterInsert(const QLineEdit& field, const QString& inserted) {
    QString text = field.text();
    if (field.hasSelectedText()) {
        text.remove(field.selectionStart(), field.selectedText().size());
        return text.insert(field.selectionStart(), inserted);
    }
    return text.insert(field.cursorPosition(), inserted);
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

bool HexReadingEdit::Accepts(const QString& text) const {
    return IsHexText(text) && text.size() <= maxLength();
}

void HexReadingEdit::PasteChecked(QClipboard::Mode mode) {
    const QString pasted = QGuiApplication::clipboard()->text(mode);
    if (isReadOnly() || pasted.isEmpty()) {
        return;
    }
    if (!Accepts(TextAfterInsert(*this, pasted))) {
        Refuse(*this,
               QStringLiteral("Paste refused. At most %1 hexadecimal digits.").arg(maxLength()));
        return;
    }
    insert(pasted);
}

// The toolkit's undo takes back a change without letting the validator refuse it, so an
// unacceptable result is taken back again.
void HexReadingEdit::UndoChecked() {
    StepHistory(&QLineEdit::undo, &QLineEdit::redo);
}

void HexReadingEdit::RedoChecked() {
    StepHistory(&QLineEdit::redo, &QLineEdit::undo);
}

void HexReadingEdit::StepHistory(void (QLineEdit::*step)(), void (QLineEdit::*back)()) {
    checkingUndo_ = true;
    (this->*step)();
    const bool refused = !Accepts(text());
    if (refused) {
        (this->*back)();
    }
    checkingUndo_ = false;
    if (refused) {
        ui::Beep();
    }
}

bool HexReadingEdit::HandleEditCommand(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        PasteChecked();
    } else if (event->matches(QKeySequence::Undo)) {
        UndoChecked();
    } else if (event->matches(QKeySequence::Redo)) {
        RedoChecked();
    } else {
        return false;
    }
    event->accept();
    return true;
}

void HexReadingEdit::keyPressEvent(QKeyEvent* event) {
    if (HandleEditCommand(event)) {
        return;
    }
    const QString text = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!shortcut && IsPrintable(text)) {
        if (!IsHexText(text)) {
            Refuse(*this, QStringLiteral("%1 refused. Hexadecimal digits only.").arg(Spoken(text)));
            event->accept();
            return;
        }
        // The field is full, as after a reading it holds the next one: the digit would be lost.
        if (!isReadOnly() && !hasSelectedText() &&
            this->text().size() + text.size() > maxLength()) {
            Refuse(*this, QStringLiteral("%1 refused. Already %2 digits: %3.")
                              .arg(text)
                              .arg(maxLength())
                              .arg(this->text()));
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void HexReadingEdit::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        std::function<void()> checked;
        if (name == QLatin1String("edit-undo")) {
            checked = [this] { UndoChecked(); };
        } else if (name == QLatin1String("edit-redo")) {
            checked = [this] { RedoChecked(); };
        } else if (name == QLatin1String("edit-paste")) {
            checked = [this] { PasteChecked(); };
        }
        if (checked) {
            action->disconnect();
            connect(action, &QAction::triggered, this, checked);
        }
    }
    menu->exec(event->globalPos());
}

void HexReadingEdit::mouseReleaseEvent(QMouseEvent* event) {
    // A middle click pastes the selection clipboard.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        PasteChecked(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
