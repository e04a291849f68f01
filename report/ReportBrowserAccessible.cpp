#include "report/ReportBrowserAccessible.h"

#include <QTextBrowser>
#include <QTextCursor>
#include <algorithm>
#include <tuple>

#include "platform/ui/AccessibleFactory.h"

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

const ReportSpokenText& ReportBrowserAccessible::Spoken() const {
    QTextDocument* document = Browser()->document();
    if (!spoken_ || spokenDocument_ != document || spokenRevision_ != document->revision()) {
        spoken_ = std::make_unique<ReportSpokenText>(*document);
        spokenDocument_ = document;
        spokenRevision_ = document->revision();
    }
    return *spoken_;
}

void ReportBrowserAccessible::selection(int selectionIndex, int* startOffset,
                                        int* endOffset) const {
    const QTextCursor cursor = Browser()->textCursor();
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && cursor.hasSelection()) {
        *startOffset = Spoken().OffsetOf(cursor.selectionStart());
        *endOffset = Spoken().OffsetOf(cursor.selectionEnd());
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
    cursor.setPosition(Spoken().PositionOf(startOffset));
    cursor.setPosition(Spoken().PositionOf(endOffset), QTextCursor::KeepAnchor);
    Browser()->setTextCursor(cursor);
}

int ReportBrowserAccessible::cursorPosition() const {
    return Spoken().OffsetOf(Browser()->textCursor().position());
}

void ReportBrowserAccessible::setCursorPosition(int position) {
    QTextCursor cursor = Browser()->textCursor();
    cursor.setPosition(Spoken().PositionOf(position));
    Browser()->setTextCursor(cursor);
}

QString ReportBrowserAccessible::text(int startOffset, int endOffset) const {
    const QString& all = Spoken().Text();
    if (endOffset < 0 || endOffset > all.size()) {
        endOffset = int(all.size());
    }
    startOffset = std::max(startOffset, 0);
    return startOffset >= endOffset ? QString() : all.mid(startOffset, endOffset - startOffset);
}

QString ReportBrowserAccessible::textAtOffset(int offset,
                                              QAccessible::TextBoundaryType boundaryType,
                                              int* startOffset, int* endOffset) const {
    if (boundaryType != QAccessible::LineBoundary) {
        return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
    }
    std::tie(*startOffset, *endOffset) = Spoken().LineAt(std::clamp(offset, 0, characterCount()));
    return text(*startOffset, *endOffset);
}

QString ReportBrowserAccessible::textBeforeOffset(int offset,
                                                  QAccessible::TextBoundaryType boundaryType,
                                                  int* startOffset, int* endOffset) const {
    if (boundaryType != QAccessible::LineBoundary) {
        return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset,
                                                          endOffset);
    }
    const int start = Spoken().LineAt(std::clamp(offset, 0, characterCount())).first;
    if (start == 0) {
        *startOffset = *endOffset = 0;
        return {};
    }
    return textAtOffset(start - 1, boundaryType, startOffset, endOffset);
}

QString ReportBrowserAccessible::textAfterOffset(int offset,
                                                 QAccessible::TextBoundaryType boundaryType,
                                                 int* startOffset, int* endOffset) const {
    if (boundaryType != QAccessible::LineBoundary) {
        return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset,
                                                         endOffset);
    }
    const int end = Spoken().LineAt(std::clamp(offset, 0, characterCount())).second;
    if (end >= characterCount()) {
        *startOffset = *endOffset = characterCount();
        return {};
    }
    return textAtOffset(end, boundaryType, startOffset, endOffset);
}

int ReportBrowserAccessible::characterCount() const {
    return int(Spoken().Text().size());
}

QRect ReportBrowserAccessible::characterRect(int offset) const {
    QTextCursor cursor(Browser()->document());
    cursor.setPosition(Spoken().PositionOf(offset));
    const QRect rect = Browser()->cursorRect(cursor);
    return QRect(Browser()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int ReportBrowserAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = Browser()->viewport()->mapFromGlobal(point);
    return Spoken().OffsetOf(Browser()->cursorForPosition(local).position());
}

void ReportBrowserAccessible::scrollToSubstring(int startIndex, int /*endIndex*/) {
    setCursorPosition(startIndex);
    Browser()->ensureCursorVisible();
}

// One run without attributes over the whole text: a screen reader reads a line to the end of
// the run around each character.
QString ReportBrowserAccessible::attributes(int /*offset*/, int* startOffset,
                                            int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
