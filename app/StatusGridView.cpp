#include "app/StatusGridView.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

#include "app/ComposedNames.h"
#include "app/MaintenanceDialog.h"
#include "app/StatusGridModel.h"
#include "app/StatusSummary.h"
#include "platform/ui/ScreenReaderNotice.h"

namespace {

constexpr int kColumns = 8;

// The cells under the table draw the values: the table draws only its current cell's focus frame.
class FocusFrameDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& /*index*/) const override {
        if (!(option.state & QStyle::State_HasFocus)) {
            return;
        }
        QStyleOptionFocusRect frame;
        frame.QStyleOption::operator=(option);
        frame.rect = option.rect.adjusted(1, 1, -1, -1);
        option.widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter,
                                              option.widget);
    }
};

// The title of the group box the cells stand in ("Sensor Status Section").
QString SectionTitle(const MaintenanceDialog& window) {
    const QPoint cell = window.StatusCell(0)->geometry().center();
    for (const ui::BuiltControl& control : window.Controls()) {
        auto* group = qobject_cast<QGroupBox*>(control.widget);
        if (group != nullptr && group->geometry().contains(cell)) {
            return group->title();
        }
    }
    return {};
}

std::vector<QLineEdit*> CellsOf(const MaintenanceDialog& window) {
    std::vector<QLineEdit*> cells;
    for (int i = 0; i < MaintenanceDialog::kStatusCellCount; ++i) {
        cells.push_back(window.StatusCell(i));
    }
    return cells;
}

}  // namespace

StatusGridView::StatusGridView(MaintenanceDialog& window, StatusGridModel* model)
    : QTableView(&window), model_(model) {
    setObjectName(QStringLiteral("statusGrid"));
    setModel(model_);
    setItemDelegate(new FocusFrameDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setShowGrid(false);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTableView { background: transparent; }"));
}

void StatusGridView::Install(MaintenanceDialog& window) {
    if (window.StatusCell(0) == nullptr) {
        return;
    }
    auto* model = new StatusGridModel(CellsOf(window), StatusRowHeadings(window),
                                      StatusColumnHeadings(window), &window);
    auto* view = new StatusGridView(window, model);  // owned by the window
    view->setAccessibleName(SectionTitle(window));
    view->FitOverCells(window);
    view->raise();
    view->show();
    QWidget::setTabOrder(window.Control(MaintenanceDialog::IdUpdate), view);
}

void StatusGridView::FitOverCells(const MaintenanceDialog& window) {
    const QRect first = window.StatusCell(0)->geometry();
    const QRect nextColumn = window.StatusCell(1)->geometry();
    const QRect nextRow = window.StatusCell(kColumns)->geometry();
    const QRect last = window.StatusCell(MaintenanceDialog::kStatusCellCount - 1)->geometry();
    setGeometry(first.united(last));
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(nextColumn.x() - first.x());
    verticalHeader()->setDefaultSectionSize(nextRow.y() - first.y());
    setCurrentIndex(model_->index(0, 0));
}

void StatusGridView::TellSummary(MaintenanceDialog& window) {
    if (auto* view = window.findChild<StatusGridView*>()) {
        ui::ScreenReaderNotice::Tell(window, view->Summary());
    }
}

QString StatusGridView::Summary() const {
    std::vector<ConditionSensors> conditions;
    for (int row = 0; row < model_->rowCount(); ++row) {
        ConditionSensors condition{
            model_->headerData(row, Qt::Vertical, Qt::DisplayRole).toString(), {}};
        for (int column = 0; column < model_->columnCount(); ++column) {
            if (model_->index(row, column).data().toString() == QLatin1String("1")) {
                const int sensor =
                    model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toInt();
                condition.sensors.push_back(sensor);
            }
        }
        conditions.push_back(condition);
    }
    return StatusSummary(conditions);
}

void StatusGridView::focusInEvent(QFocusEvent* event) {
    if (!currentIndex().isValid()) {
        setCurrentIndex(model_->index(0, 0));
    }
    QTableView::focusInEvent(event);
}
