#pragma once

#include <QAccessible>
#include <QList>
#include <QPair>

class QWidget;

namespace ui {

// An indicator that shows what another control's data makes of it (a spread lamp, a "Max"
// lit by the dump list) is controlled by that control. The relation matters to screen
// readers: they take a static text with no relation for one of the window's loose labels and
// read all of those out with the window's title each time the window comes back.
void SetAccessibleController(QWidget& indicator, QWidget& controller);

// The controller relation of an indicator, for its interface's relations(); empty without one
// or when match does not ask for it.
QList<QPair<QAccessibleInterface*, QAccessible::Relation>> ControllerRelations(
    const QWidget& indicator, QAccessible::Relation match);

}  // namespace ui
