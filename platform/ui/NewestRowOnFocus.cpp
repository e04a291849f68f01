#include "platform/ui/NewestRowOnFocus.h"

#include <QEvent>
#include <QStringList>
#include <QTreeWidget>

#include "platform/ui/ScreenReaderNotice.h"

namespace ui {

NewestRowOnFocus::NewestRowOnFocus(QTreeWidget& list) : QObject(&list), list_(list) {
    list_.installEventFilter(this);
}

void NewestRowOnFocus::NameCellsByHeadings(QTreeWidgetItem& row) {
    const QTreeWidget* list = row.treeWidget();
    if (list == nullptr) {
        return;
    }
    for (int column = 0; column < list->columnCount(); ++column) {
        const QString text = row.text(column).trimmed();
        const QString heading = list->headerItem()->text(column);
        row.setData(column, Qt::AccessibleTextRole,
                    text.isEmpty() ? heading : heading + QStringLiteral(": ") + text);
    }
}

void NewestRowOnFocus::Attach(QTreeWidget& list) {
    new NewestRowOnFocus(list);  // owned by the list
}

bool NewestRowOnFocus::eventFilter(QObject* watched, QEvent* event) {
    const int rows = list_.topLevelItemCount();
    if (watched == &list_ && event->type() == QEvent::FocusIn && rows > 0) {
        QTreeWidgetItem* newest = list_.topLevelItem(rows - 1);
        list_.setCurrentItem(newest);
        newest->setSelected(true);
        QStringList cells;
        for (int column = 0; column < list_.columnCount(); ++column) {
            cells << newest->data(column, Qt::AccessibleTextRole).toString();
        }
        ScreenReaderNotice::Tell(list_, cells.join(QStringLiteral(", ")) + QLatin1Char('.'));
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ui
