#include "platform/ui/EnterPresses.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace ui {
namespace {

// Sees the Enter a push button outside a dialog leaves unused, as it reaches the window.
class FocusedButtonPresser : public QObject {
  public:
    explicit FocusedButtonPresser(QWidget& window) : QObject(&window), window_(window) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto& key = static_cast<const QKeyEvent&>(*event);
        const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
        if (!enter || (key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
            return false;
        }
        auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (button == nullptr || button->window() != &window_ || !button->isEnabled()) {
            return false;
        }
        button->click();
        return true;
    }

  private:
    QWidget& window_;
};

}  // namespace

void PressFocusedButtonOnEnter(QWidget& window) {
    window.installEventFilter(new FocusedButtonPresser(window));  // owned by the window
}

}  // namespace ui
