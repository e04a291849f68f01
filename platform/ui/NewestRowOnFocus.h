#pragma once

#include <QObject>

class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

// A report list that takes the focus lands on its newest (last) row, chosen, and tells it
// (ScreenReaderNotice): a screen reader would say only the list's name, and with a single row
// the arrow keys have nothing to move to.
class NewestRowOnFocus : public QObject {
    Q_OBJECT
  public:
    // Made for the list, owned by it.
    static void Attach(QTreeWidget& list);
    // Gives each cell of the row its column heading for assistive tools ("#0: 0x0ABCDE"):
    // screen readers read a row of a list cell by cell without the headings. Called again
    // whenever a cell's text changes.
    static void NameCellsByHeadings(QTreeWidgetItem& row);

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit NewestRowOnFocus(QTreeWidget& list);

    QTreeWidget& list_;
};

}  // namespace ui
