#include "report/ReportBrowserAccessible.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>

#include "platform/ui/AccessibleFactory.h"
#include "report/ReportSpokenLines.h"

namespace {

const QString kBrowserName = QStringLiteral("serviceReportText");

QAccessibleInterface* CreateForReport(const QString& className, QObject* object) {
    if (className != QLatin1String("QTextBrowser") || object->objectName() != kBrowserName) {
        return nullptr;
    }
    return new ReportBrowserAccessible(static_cast<QTextBrowser*>(object));
}

}  // namespace

ReportBrowserAccessible::ReportBrowserAccessible(QTextBrowser* browser)
    : QAccessibleWidget(browser, QAccessible::EditableText) {}

void ReportBrowserAccessible::Install(QTextBrowser& browser) {
    ui::InstallAccessibleFactoryOnce<CreateForReport>();
    browser.setObjectName(kBrowserName);
}

QTextBrowser* ReportBrowserAccessible::Browser() const {
    return static_cast<QTextBrowser*>(widget());
}

void* ReportBrowserAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ReportBrowserAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

void ReportBrowserAccessible::selection(int selectionIndex, int* startOffset,
                                        int* endOffset) const {
    const QTextCursor cursor = Browser()->textCursor();
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && cursor.hasSelection()) {
        *startOffset = cursor.selectionStart();
        *endOffset = cursor.selectionEnd();
    }
}

int ReportBrowserAccessible::selectionCount() const {
    return Browser()->textCursor().hasSelection() ? 1 : 0;
}

void ReportBrowserAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void ReportBrowserAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) {
        QTextCursor cursor = Browser()->textCursor();
        cursor.clearSelection();
        Browser()->setTextCursor(cursor);
    }
}

void ReportBrowserAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0) {
        return;
    }
    QTextCursor cursor = Browser()->textCursor();
    cursor.setPosition(std::clamp(startOffset, 0, characterCount()));
    cursor.setPosition(std::clamp(endOffset, 0, characterCount()), QTextCursor::KeepAnchor);
    Browser()->setTextCursor(cursor);
}

int ReportBrowserAccessible::cursorPosition() const {
    return Browser()->textCursor().position();
}

void ReportBrowserAccessible::setCursorPosition(int position) {
    QTextCursor cursor = Browser()->textCursor();
    cursor.setPosition(std::clamp(position, 0, characterCount()));
    Browser()->setTextCursor(cursor);
}

QString ReportBrowserAccessible::text(int startOffset, int endOffset) const {
    const QString all = Browser()->document()->toPlainText();
    if (endOffset < 0 || endOffset > all.size()) {
        endOffset = int(all.size());
    }
    return startOffset >= endOffset ? QString() : all.mid(startOffset, endOffset - startOffset);
}

bool ReportBrowserAccessible::ReadsLines(QAccessible::TextBoundaryType boundaryType) {
    return boundaryType == QAccessible::LineBoundary ||
           boundaryType == QAccessible::SentenceBoundary;
}

QString ReportBrowserAccessible::textAtOffset(int offset,
                                              QAccessible::TextBoundaryType boundaryType,
                                              int* startOffset, int* endOffset) const {
    const QTextDocument& document = *Browser()->document();
    // A sentence is the text's own except in a table, where a row reads as one.
    if (boundaryType == QAccessible::LineBoundary ||
        (boundaryType == QAccessible::SentenceBoundary &&
         ReportSpokenLines::InTable(document, offset))) {
        const ReportSpokenLines::Line line = ReportSpokenLines::At(document, offset);
        *startOffset = line.start;
        *endOffset = std::min(line.end, characterCount());
        return line.text;
    }
    return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
}

QString ReportBrowserAccessible::textBeforeOffset(int offset,
                                                  QAccessible::TextBoundaryType boundaryType,
                                                  int* startOffset, int* endOffset) const {
    if (ReadsLines(boundaryType)) {
        int start = 0;
        int end = 0;
        textAtOffset(offset, boundaryType, &start, &end);
        if (start > 0) {
            return textAtOffset(start - 1, boundaryType, startOffset, endOffset);
        }
        *startOffset = *endOffset = 0;
        return {};
    }
    return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
}

QString ReportBrowserAccessible::textAfterOffset(int offset,
                                                 QAccessible::TextBoundaryType boundaryType,
                                                 int* startOffset, int* endOffset) const {
    if (ReadsLines(boundaryType)) {
        int start = 0;
        int end = 0;
        textAtOffset(offset, boundaryType, &start, &end);
        if (end < characterCount()) {
            return textAtOffset(end, boundaryType, startOffset, endOffset);
        }
        *startOffset = *endOffset = characterCount();
        return {};
    }
    return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
}

int ReportBrowserAccessible::characterCount() const {
    return Browser()->document()->characterCount() - 1;
}

QRect ReportBrowserAccessible::characterRect(int offset) const {
    QTextCursor cursor(Browser()->document());
    cursor.setPosition(std::clamp(offset, 0, characterCount()));
    const QRect rect = Browser()->cursorRect(cursor);
    return QRect(Browser()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int ReportBrowserAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = Browser()->viewport()->mapFromGlobal(point);
    return Browser()->cursorForPosition(local).position();
}

void ReportBrowserAccessible::scrollToSubstring(int startIndex, int /*endIndex*/) {
    QTextCursor cursor(Browser()->document());
    cursor.setPosition(std::clamp(startIndex, 0, characterCount()));
    const QTextCursor kept = Browser()->textCursor();
    Browser()->setTextCursor(cursor);
    Browser()->ensureCursorVisible();
    Browser()->setTextCursor(kept);
}

QString ReportBrowserAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return {};
}
