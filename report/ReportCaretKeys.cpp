#include "report/ReportCaretKeys.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>

ReportCaretKeys::ReportCaretKeys(QTextBrowser& browser) : QObject(&browser), browser_(browser) {}

void ReportCaretKeys::Install(QTextBrowser& browser) {
    browser.installEventFilter(new ReportCaretKeys(browser));
}

bool ReportCaretKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &browser_ || event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Down && key->key() != Qt::Key_Up) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    const QTextCursor::MoveOperation move =
        key->key() == Qt::Key_Down ? QTextCursor::Down : QTextCursor::Up;
    QTextCursor cursor = browser_.textCursor();
    cursor.clearSelection();
    while (cursor.movePosition(move)) {
        if (cursor.block().length() > 1 || cursor.currentTable() != nullptr) {
            browser_.setTextCursor(cursor);
            browser_.ensureCursorVisible();
            break;
        }
    }
    return true;
}
