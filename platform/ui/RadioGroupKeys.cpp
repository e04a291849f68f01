#include "platform/ui/RadioGroupKeys.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QKeyEvent>

namespace ui {
namespace {

bool TakesTabFocus(const QWidget& widget, const QWidget& window) {
    return (widget.focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget.isVisibleTo(&window) &&
           widget.isEnabled() && widget.window() == &window;
}

bool IsBacktab(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    return key.key() == Qt::Key_Backtab ||
           (key.key() == Qt::Key_Tab && modifiers == Qt::ShiftModifier);
}

}  // namespace

RadioGroupKeys::RadioGroupKeys(QButtonGroup& group) : QObject(&group), group_(group) {
    for (QAbstractButton* button : group.buttons()) {
        button->installEventFilter(this);
    }
}

void RadioGroupKeys::Install(QButtonGroup& group) {
    new RadioGroupKeys(group);  // owned by the group
}

bool RadioGroupKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto& button = static_cast<QAbstractButton&>(*watched);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    switch (key.key()) {
        case Qt::Key_Down:
        case Qt::Key_Right:
            return MoveWithin(button, true);
        case Qt::Key_Up:
        case Qt::Key_Left:
            return MoveWithin(button, false);
        default:
            break;
    }
    if (IsBacktab(key) && &button != group_.buttons().constFirst()) {
        LeaveBackwards();
        return true;
    }
    return false;
}

bool RadioGroupKeys::MoveWithin(QAbstractButton& from, bool forward) {
    const QList<QAbstractButton*> buttons = group_.buttons();
    const qsizetype step = forward ? 1 : -1;
    for (qsizetype i = buttons.indexOf(&from) + step; i >= 0 && i < buttons.size(); i += step) {
        QAbstractButton* to = buttons[i];
        if (!to->isEnabled() || !to->isVisibleTo(from.window())) {
            continue;
        }
        if (from.isChecked()) {
            to->click();
        }
        to->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

// To the tab stop before the group's first button.
void RadioGroupKeys::LeaveBackwards() {
    QAbstractButton* first = group_.buttons().constFirst();
    QWidget* window = first->window();
    for (QWidget* w = first->previousInFocusChain(); w != first; w = w->previousInFocusChain()) {
        if (TakesTabFocus(*w, *window)) {
            w->setFocus(Qt::BacktabFocusReason);
            return;
        }
    }
}

}  // namespace ui
