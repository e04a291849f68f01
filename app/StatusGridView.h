#pragma once

#include <QTableView>

class MaintenanceDialog;
class StatusGridModel;

// The status grid as one keyboard stop for screen readers: a table laid over the 40 cells, in
// the Tab order after "Update", that draws nothing but the focus frame of its current cell; the
// arrow keys walk it and each cell reads with its row and column headings. "Update" tells the
// summary of what it read through it.
class StatusGridView : public QTableView {
    Q_OBJECT
  public:
    // Lays the table over the window's status cells (once they exist).
    static void Install(MaintenanceDialog& window);
    // Tells what the cells now show, after "Update" filled them.
    static void TellSummary(MaintenanceDialog& window);

    QString Summary() const;

  protected:
    void focusInEvent(QFocusEvent* event) override;

  private:
    StatusGridView(MaintenanceDialog& window, StatusGridModel* model);
    void FitOverCells(const MaintenanceDialog& window);

    StatusGridModel* model_;
};
