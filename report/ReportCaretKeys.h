#pragma once

#include <QObject>

class QTextBrowser;

// Up and Down in the report move the caret from line to line past the empty paragraphs that
// hold the report's blocks apart, so that a screen reader reads a line at every key.
class ReportCaretKeys : public QObject {
  public:
    // Owned by the browser.
    static void Install(QTextBrowser& browser);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit ReportCaretKeys(QTextBrowser& browser);

    QTextBrowser& browser_;
};
