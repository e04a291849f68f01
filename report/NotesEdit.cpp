#include "report/NotesEdit.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// A cut never splits a character in two.
qsizetype WholeCharacters(const QString& text, qsizetype count) {
    return count > 0 && count < text.size() && text.at(count - 1).isHighSurrogate() ? count - 1
                                                                                    : count;
}

}  // namespace

NotesEdit::NotesEdit(qsizetype limit, QWidget* parent) : QPlainTextEdit(parent), limit_(limit) {
    connect(this, &QPlainTextEdit::textChanged, this, &NotesEdit::CutToLimit);
}

qsizetype NotesEdit::Length() const {
    return document()->characterCount() - 1;  // without the final paragraph separator
}

void NotesEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    const QString text = source->text();
    const qsizetype selected = textCursor().selectionEnd() - textCursor().selectionStart();
    const qsizetype room = std::max<qsizetype>(limit_ - (Length() - selected), 0);
    if (text.size() <= room) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    textCursor().insertText(text.left(WholeCharacters(text, room)));
    ensureCursorVisible();
    emit Truncated();
}

void NotesEdit::CutToLimit() {
    if (Length() <= limit_) {
        return;
    }
    const QString text = toPlainText();
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(WholeCharacters(text, limit_)));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    {
        const QSignalBlocker blocker(this);
        cursor.removeSelectedText();
    }
    emit textChanged();
    emit Truncated();
}
