#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

class QLineEdit;

// The main window's 40 status cells as a table: a row per condition ("Enabled" to "Covered"),
// a column per sensor in the window's order ("7" to "0"), each item the text its cell shows,
// kept in step with the cells; for assistive tools with its headings ("Enabled 7: 1").
class StatusGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // cells in row order, rows.size() x columns.size() of them.
    StatusGridModel(std::vector<QLineEdit*> cells, std::vector<QString> rows,
                    std::vector<QString> columns, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<QLineEdit*> cells_;
    std::vector<QString> rows_;
    std::vector<QString> columns_;
};
