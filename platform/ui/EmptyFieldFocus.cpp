#include "platform/ui/EmptyFieldFocus.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>

namespace ui {
namespace {

bool SelectsOnFocus(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

class EmptyFieldFocus : public QObject {
  public:
    explicit EmptyFieldFocus(QLineEdit& field) : QObject(&field), field_(field) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::FocusIn || !field_.text().isEmpty()) {
            return false;
        }
        const auto& focus = static_cast<const QFocusEvent&>(*event);
        if (!SelectsOnFocus(focus.reason())) {
            return false;
        }
        QFocusEvent withoutSelecting(QEvent::FocusIn, Qt::OtherFocusReason);
        QApplication::sendEvent(&field_, &withoutSelecting);
        return true;
    }

  private:
    QLineEdit& field_;
};

}  // namespace

void ReadEmptyFieldOnTab(QLineEdit& field) {
    field.installEventFilter(new EmptyFieldFocus(field));  // owned by the field
}

}  // namespace ui
