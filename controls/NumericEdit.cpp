#include "controls/NumericEdit.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "platform/ui/ScreenReaderNotice.h"

namespace {

bool IsNavigationKey(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

bool IsDialogKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
           key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

bool HasCommandModifier(Qt::KeyboardModifiers modifiers) {
    return modifiers & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier);
}

// One character of the field's byte text; anything beyond Latin-1 reads as a refused '?'.
char ToByte(QChar c) {
    return c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
}

// The key as a screen reader should say it.
QString KeyName(NumericKey key) {
    if (key.kind == NumericKey::Kind::Delete) {
        return QStringLiteral("Delete");
    }
    switch (key.character) {
        case kBackspace:
            return QStringLiteral("Backspace");
        case kDecimalPoint:
            return QStringLiteral("Decimal point");
        case '-':
            return QStringLiteral("Minus sign");
        case ' ':
            return QStringLiteral("Space");
        default:
            return QString(QChar::fromLatin1(key.character));
    }
}

QString BoundText(double bound) {
    return QString::number(bound, 'g', 15);
}

}  // namespace

NumericEdit::NumericEdit(std::uint8_t integerDigits, std::uint8_t fractionDigits, double lowerBound,
                         double upperBound, QWidget* parent)
    : QLineEdit(parent), limits_{integerDigits, fractionDigits, lowerBound, upperBound} {
    setAcceptDrops(false);
    setDragEnabled(false);
}

NumericEditState NumericEdit::State() const {
    NumericEditState state;
    state.text = text().toLatin1().toStdString();
    if (hasSelectedText()) {
        state.selectionStart = selectionStart();
        state.selectionEnd = selectionStart() + static_cast<int>(selectedText().size());
    } else {
        state.selectionStart = state.selectionEnd = cursorPosition();
    }
    return state;
}

void NumericEdit::SetBoundsWords(const QString& tooLow, const QString& tooHigh) {
    tooLowWords_ = tooLow;
    tooHighWords_ = tooHigh;
}

QString NumericEdit::RefusalText(NumericKey key, NumericRefusal refusal) const {
    QString why;
    switch (refusal) {
        case NumericRefusal::None:
        case NumericRefusal::NothingToDelete:
            return {};
        case NumericRefusal::NotPartOfANumber:
            why = limits_.fractionDigits == 0 ? QStringLiteral("Digits only.")
                                              : QStringLiteral("Digits and a decimal point only.");
            break;
        case NumericRefusal::NoMinusSign:
            why = QStringLiteral("No minus sign.");
            break;
        case NumericRefusal::MinusSignFirst:
            why = QStringLiteral("One minus sign, at the start.");
            break;
        case NumericRefusal::NothingBeforeMinusSign:
            why = QStringLiteral("Nothing goes before the minus sign.");
            break;
        case NumericRefusal::TooManyIntegerDigits:
            why = QStringLiteral("At most %1 digits before the decimal point.")
                      .arg(limits_.integerDigits);
            break;
        case NumericRefusal::TooManyFractionDigits:
            why = QStringLiteral("At most %1 digits after the decimal point.")
                      .arg(limits_.fractionDigits);
            break;
        case NumericRefusal::NoDecimalPoint:
            why = QStringLiteral("No decimal point.");
            break;
        case NumericRefusal::OneDecimalPoint:
            why = QStringLiteral("One decimal point only.");
            break;
        case NumericRefusal::TooHigh:
            why = !tooHighWords_.isEmpty()
                      ? tooHighWords_
                      : QStringLiteral("Less than %1.").arg(BoundText(limits_.upperBound));
            break;
        case NumericRefusal::TooLow:
            why = !tooLowWords_.isEmpty()
                      ? tooLowWords_
                      : QStringLiteral("More than %1.").arg(BoundText(limits_.lowerBound));
            break;
    }
    return KeyName(key) + QStringLiteral(" refused. ") + why;
}

void NumericEdit::Apply(NumericKey key) {
    const NumericEditOutcome outcome = ApplyNumericKey(State(), key, limits_);
    if (!outcome.accepted) {
        // The field stays as it was, which a screen reader would not notice.
        const QString told = RefusalText(key, outcome.refusal);
        if (!told.isEmpty()) {
            ui::ScreenReaderNotice::Tell(*this, told);
        }
        return;
    }
    setText(QString::fromLatin1(outcome.text.data(), static_cast<qsizetype>(outcome.text.size())));
    setCursorPosition(outcome.caret);
    emit textEdited(text());
}

void NumericEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (IsNavigationKey(key)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (IsDialogKey(key)) {
        event->ignore();
        return;
    }
    event->accept();
    if (key == Qt::Key_Delete) {
        // Shift+Delete cuts and Ctrl+Delete deletes a word: both are refused.
        if (modifiers == Qt::NoModifier) {
            Apply(NumericKey::Delete());
        }
        return;
    }
    if (key == Qt::Key_Backspace) {
        if (!HasCommandModifier(modifiers)) {
            Apply(NumericKey::Typed(kBackspace));
        }
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();  // selecting changes no text
        return;
    }
    if (HasCommandModifier(modifiers) || event->matches(QKeySequence::Paste)) {
        return;  // clipboard, undo and the other command keys
    }
    const QString typed = event->text();
    if (typed.size() == 1) {
        Apply(NumericKey::Typed(ToByte(typed.front())));
        return;
    }
    if (typed.isEmpty()) {
        event->ignore();  // function keys and the like belong to the dialog
    }
}

void NumericEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed text is typed character by character; nothing is shown while composing.
    for (const QChar c : event->commitString()) {
        Apply(NumericKey::Typed(ToByte(c)));
    }
    event->accept();
}

void NumericEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("&Copy"), this, &QLineEdit::copy);
    copyAction->setEnabled(hasSelectedText());
    menu.addAction(tr("Select All"), this, &QLineEdit::selectAll)->setEnabled(!text().isEmpty());
    menu.exec(event->globalPos());
}

void NumericEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void NumericEdit::mouseReleaseEvent(QMouseEvent* event) {
    // A middle click would paste the selection clipboard.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void NumericEdit::dragEnterEvent(QDragEnterEvent* event) {
    event->ignore();
}

void NumericEdit::dragMoveEvent(QDragMoveEvent* event) {
    event->ignore();
}

void NumericEdit::dropEvent(QDropEvent* event) {
    event->ignore();
}
