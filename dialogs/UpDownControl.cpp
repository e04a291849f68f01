#include "dialogs/UpDownControl.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "dialogs/UpDownBuddyAccessible.h"

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    UpDownBuddyAccessible::Install();
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAccessibleName(tr("Up"));
    down_->setAccessibleName(tr("Down"));
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
    setAccessibleName(tr("Up-down"));
}

void UpDownControl::SetRange(int low, int high) {
    low_ = std::min(low, high);
    high_ = std::max(low, high);
    SetPosition(position_);
}

void UpDownControl::SetPosition(int position) {
    position_ = std::clamp(position, low_, high_);
    ShowPosition();
}

namespace {

// Drops an interface made for the field before it was (or after it stopped being) a buddy, so
// that assistive tools get one for what it is now.
void ForgetAccessibleInterface(QWidget* field) {
    if (field == nullptr) {
        return;
    }
    if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(accessible));
    }
}

}  // namespace

void UpDownControl::SetBuddy(QLineEdit* buddy) {
    if (buddy_ != nullptr) {
        buddy_->removeEventFilter(this);
    }
    ForgetAccessibleInterface(buddy_);
    buddy_ = buddy;
    if (buddy_ != nullptr) {
        ForgetAccessibleInterface(buddy_);
        buddy_->installEventFilter(this);
        buddy_->setEnabled(isEnabled());
    }
    ShowPosition();
}

void UpDownControl::AttachToRightOfBuddy() {
    if (buddy_ == nullptr) {
        return;
    }
    const QRect field = buddy_->geometry();
    buddy_->setGeometry(field.x(), field.y(), std::max(0, field.width() - width()), field.height());
    setGeometry(buddy_->geometry().right() + 1, field.y(), width(), field.height());
}

void UpDownControl::Step(int delta) {
    ScrollTo(position_ + delta);
}

void UpDownControl::ScrollTo(int position) {
    position_ = std::clamp(position, low_, high_);
    ShowPosition();
    emit Scrolled(position_);
}

void UpDownControl::ShowPosition() {
    if (buddy_ == nullptr) {
        return;
    }
    buddy_->setText(QString::number(position_));
    QAccessibleValueChangeEvent event(buddy_, position_);
    QAccessible::updateAccessibility(&event);
}

bool UpDownControl::HandleKey(QKeyEvent* event) {
    if (!isEnabled() || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    if (event->key() == Qt::Key_Up) {
        Step(1);
        return true;
    }
    if (event->key() == Qt::Key_Down) {
        Step(-1);
        return true;
    }
    return false;
}

void UpDownControl::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        return HandleKey(static_cast<QKeyEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int upperHeight = height() / 2;
    up_->setGeometry(0, 0, width(), upperHeight);
    down_->setGeometry(0, upperHeight, width(), height() - upperHeight);
}

void UpDownControl::changeEvent(QEvent* event) {
    // The buddy is enabled and disabled with its up-down control.
    if (event->type() == QEvent::EnabledChange && buddy_ != nullptr) {
        buddy_->setEnabled(isEnabled());
    }
    QWidget::changeEvent(event);
}
