#include "app/StatusGridModel.h"

#include <QLineEdit>

StatusGridModel::StatusGridModel(std::vector<QLineEdit*> cells, std::vector<QString> rows,
                                 std::vector<QString> columns, QObject* parent)
    : QAbstractTableModel(parent),
      cells_(std::move(cells)),
      rows_(std::move(rows)),
      columns_(std::move(columns)) {
    const int columnCount = static_cast<int>(columns_.size());
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const int row = static_cast<int>(i) / columnCount;
        const int column = static_cast<int>(i) % columnCount;
        connect(cells_[i], &QLineEdit::textChanged, this, [this, row, column] {
            const QModelIndex changed = index(row, column);
            emit dataChanged(changed, changed, {Qt::DisplayRole});
        });
    }
}

int StatusGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int StatusGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant StatusGridModel::data(const QModelIndex& index, int role) const {
    const auto cell = static_cast<std::size_t>(index.row() * columnCount() + index.column());
    if (!index.isValid() || cell >= cells_.size()) {
        return {};
    }
    const QString shown = cells_[cell]->text();
    switch (role) {
        case Qt::DisplayRole:
            return shown;
        case Qt::AccessibleTextRole: {
            // Screen readers read a whole row of cells without their headings.
            const QString heading = rows_[static_cast<std::size_t>(index.row())] +
                                    QLatin1Char(' ') +
                                    columns_[static_cast<std::size_t>(index.column())];
            return shown.isEmpty() ? heading : heading + QStringLiteral(": ") + shown;
        }
        default:
            return {};
    }
}

QVariant StatusGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) {
        return {};
    }
    const std::vector<QString>& headings = orientation == Qt::Horizontal ? columns_ : rows_;
    const auto at = static_cast<std::size_t>(section);
    return at < headings.size() ? headings[at] : QVariant();
}
