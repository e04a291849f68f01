#include "platform/ui/MenuEntryAccessible.h"

#include <QAction>
#include <QActionEvent>
#include <QMenu>
#include <QWidget>

#include "platform/ui/AccessibleFactory.h"
#include "platform/ui/RadioButtonAccessible.h"

namespace ui {
namespace {

constexpr char kMenuProperty[] = "shortcutsReadInMenu";

QAccessibleInterface* CreateForEntry(const QString& className, QObject* object) {
    if (className != QLatin1String("QAction")) {
        return nullptr;
    }
    auto* action = qobject_cast<QAction*>(object);
    auto* menu = qobject_cast<QMenu*>(object->property(kMenuProperty).value<QObject*>());
    if (action == nullptr || menu == nullptr || !menu->actions().contains(action)) {
        return nullptr;
    }
    return new MenuEntryAccessible(menu, action);
}

// Marks the menu's entries as they are added.
class EntryMarker : public QObject {
  public:
    explicit EntryMarker(QMenu& menu) : QObject(&menu), menu_(menu) {
        for (QAction* action : menu_.actions()) {
            Mark(action);
        }
        menu_.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &menu_ && event->type() == QEvent::ActionAdded) {
            Mark(static_cast<QActionEvent*>(event)->action());
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    void Mark(QAction* action) {
        action->setProperty(kMenuProperty, QVariant::fromValue<QObject*>(&menu_));
    }

    QMenu& menu_;
};

}  // namespace

MenuEntryAccessible::MenuEntryAccessible(QMenu* menu, QAction* action)
    : menu_(menu), action_(action) {}

void MenuEntryAccessible::ReadShortcutsOf(QMenu& menu) {
    InstallAccessibleFactoryOnce<CreateForEntry>();
    new EntryMarker(menu);  // owned by the menu
}

bool MenuEntryAccessible::isValid() const {
    return menu_ != nullptr && action_ != nullptr;
}

QObject* MenuEntryAccessible::object() const {
    return action_;
}

QWindow* MenuEntryAccessible::window() const {
    return menu_ != nullptr ? menu_->windowHandle() : nullptr;
}

QAccessibleInterface* MenuEntryAccessible::parent() const {
    return QAccessible::queryAccessibleInterface(menu_);
}

QAccessibleInterface* MenuEntryAccessible::child(int /*index*/) const {
    return nullptr;
}

int MenuEntryAccessible::childCount() const {
    return 0;
}

int MenuEntryAccessible::indexOfChild(const QAccessibleInterface* /*child*/) const {
    return -1;
}

QAccessibleInterface* MenuEntryAccessible::childAt(int /*x*/, int /*y*/) const {
    return nullptr;
}

QString MenuEntryAccessible::text(QAccessible::Text textType) const {
    if (!isValid()) {
        return {};
    }
    switch (textType) {
        case QAccessible::Name:
            return WithoutMnemonic(action_->text());
        case QAccessible::Accelerator:
            return action_->shortcut().toString(QKeySequence::NativeText);
        case QAccessible::Description:
            return action_->toolTip() != action_->text() ? action_->toolTip() : QString();
        default:
            return {};
    }
}

void MenuEntryAccessible::setText(QAccessible::Text /*textType*/, const QString& /*text*/) {}

QRect MenuEntryAccessible::rect() const {
    if (!isValid()) {
        return {};
    }
    const QRect local = menu_->actionGeometry(action_);
    return QRect(menu_->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role MenuEntryAccessible::role() const {
    return action_ != nullptr && action_->isSeparator() ? QAccessible::Separator
                                                        : QAccessible::MenuItem;
}

QAccessible::State MenuEntryAccessible::state() const {
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    state.focusable = !action_->isSeparator();
    state.focused = menu_->activeAction() == action_;
    state.disabled = !action_->isEnabled();
    state.invisible = !action_->isVisible() || !menu_->isVisible();
    state.checkable = action_->isCheckable();
    state.checked = action_->isChecked();
    return state;
}

void* MenuEntryAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
}

QStringList MenuEntryAccessible::actionNames() const {
    if (action_ == nullptr || action_->isSeparator() || !action_->isEnabled()) {
        return {};
    }
    return {pressAction()};
}

void MenuEntryAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction() && isValid() && action_->isEnabled()) {
        menu_->setActiveAction(action_);
        action_->trigger();
        menu_->hide();
    }
}

QStringList MenuEntryAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName != pressAction() || action_ == nullptr || action_->shortcut().isEmpty()) {
        return {};
    }
    return {QStringLiteral(";;") + action_->shortcut().toString(QKeySequence::NativeText)};
}

}  // namespace ui
