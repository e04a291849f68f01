#include "platform/ui/ScreenReaderNotice.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QLabel>

#include "platform/ui/AccessibleFactory.h"
#include "platform/ui/RadioButtonAccessible.h"

namespace ui {
namespace {

const QString kNoticeName = QStringLiteral("screenReaderNotice");

QAccessibleInterface* CreateForNotice(const QString& className, QObject* object) {
    if (className != QLatin1String("QLabel") || object->objectName() != kNoticeName) {
        return nullptr;
    }
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
}

}  // namespace

ScreenReaderNotice::ScreenReaderNotice(QWidget& window)
    : QObject(&window), label_(new QLabel(&window)) {
    InstallAccessibleFactoryOnce<CreateForNotice>();
    setObjectName(kNoticeName);
    label_->setObjectName(kNoticeName);
    label_->setGeometry(0, 0, 1, 1);
    label_->hide();
}

ScreenReaderNotice& ScreenReaderNotice::Of(QWidget& widget) {
    QWidget* window = widget.window();
    auto* notice = window->findChild<ScreenReaderNotice*>(kNoticeName, Qt::FindDirectChildrenOnly);
    if (notice == nullptr) {
        notice = new ScreenReaderNotice(*window);  // owned by the window
    }
    return *notice;
}

void ScreenReaderNotice::Tell(QWidget& widget, const QString& text) {
    Of(widget).Tell(text);
}

void ScreenReaderNotice::TellNewText(QAbstractButton& button) {
    if (button.hasFocus()) {
        Tell(button, WithoutMnemonic(button.text()));
    }
}

void ScreenReaderNotice::Tell(const QString& text) {
    label_->hide();
    label_->setAccessibleName(text);
    label_->show();
}

QString ScreenReaderNotice::LastTold() const {
    return label_->accessibleName();
}

}  // namespace ui
