#include "app/ReplyAnnouncer.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>

ReplyAnnouncer::ReplyAnnouncer(QWidget* window) : QObject(window), window_(window) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* old, QWidget* /*now*/) { OnFocusChanged(old); });
}

void ReplyAnnouncer::Announce(QLineEdit& field) {
    // The window's focus child: also while a dialog the button opened is closing and the focus
    // is on its way back.
    QWidget* focused = window_->focusWidget();
    if (focused == nullptr) {
        return;
    }
    if (focused != announcedOn_) {
        Restore();
        announcedOn_ = focused;
        ownDescription_ = focused->accessibleDescription();
    }
    const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&field);
    const QString name = accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
    // Cleared first, so that a reply the same as the last one is told again.
    focused->setAccessibleDescription(QString());
    focused->setAccessibleDescription(name.isEmpty() ? field.text()
                                                     : name + QStringLiteral(": ") + field.text());
}

void ReplyAnnouncer::OnFocusChanged(QWidget* old) {
    if (old != nullptr && old == announcedOn_) {
        Restore();
    }
}

void ReplyAnnouncer::Restore() {
    if (announcedOn_ != nullptr) {
        announcedOn_->setAccessibleDescription(ownDescription_);
    }
    announcedOn_ = nullptr;
    ownDescription_.clear();
}
