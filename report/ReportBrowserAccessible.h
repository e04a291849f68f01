#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <QTextDocument>
#include <memory>

#include "report/ReportSpokenText.h"

class QTextBrowser;

// The report's browser as assistive tools see it: a read-only text with a caret, whose text is
// ReportSpokenText's, so that a screen reader moving the caret down a table reads each row as a
// line with its headings, and a plot by its description.
class ReportBrowserAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit ReportBrowserAccessible(QTextBrowser* browser);

    // Names the browser for the interface, and installs the interface's factory once.
    static void Install(QTextBrowser& browser);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

  private:
    QTextBrowser* Browser() const;
    // Made anew for each document shown, and when it changes.
    const ReportSpokenText& Spoken() const;

    mutable QPointer<QTextDocument> spokenDocument_;
    mutable int spokenRevision_ = -1;
    mutable std::unique_ptr<ReportSpokenText> spoken_;
};
