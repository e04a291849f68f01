#include "app/ReplyAnnouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include "platform/ui/AccessibleFactory.h"

namespace {

const QString kNoticeName = QStringLiteral("replyNotice");

QAccessibleInterface* CreateForNotice(const QString& className, QObject* object) {
    if (className != QLatin1String("QLabel") || object->objectName() != kNoticeName) {
        return nullptr;
    }
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
}

}  // namespace

ReplyAnnouncer::ReplyAnnouncer(QWidget* window)
    : QObject(window), window_(window), notice_(new QLabel(window)) {
    ui::InstallAccessibleFactoryOnce<CreateForNotice>();
    notice_->setObjectName(kNoticeName);
    notice_->setGeometry(0, 0, 1, 1);
    notice_->hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* old, QWidget* /*now*/) { OnFocusChanged(old); });
}

void ReplyAnnouncer::Announce(QLineEdit& field) {
    const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&field);
    const QString name = accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
    const QString message =
        name.isEmpty() ? field.text() : name + QStringLiteral(": ") + field.text();
    notice_->hide();
    notice_->setAccessibleName(message);
    notice_->show();
    DescribeFocusedControl(message);
}

void ReplyAnnouncer::DescribeFocusedControl(const QString& message) {
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
    // Cleared first, so that a reply the same as the last one is told again.
    focused->setAccessibleDescription(QString());
    focused->setAccessibleDescription(message);
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
