#pragma once

#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QPointer>

class QAction;
class QMenu;

namespace ui {

// What assistive tools see of an entry of a menu whose shortcuts are to be read: Qt's own menu
// entry, but with the shortcut given as a key binding in the form screen readers read out
// ("<mnemonic>;<path>;<shortcut>"); Qt gives the shortcut alone, which they take for the path and
// never say.
class MenuEntryAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    MenuEntryAccessible(QMenu* menu, QAction* action);

    // The entries of this menu, those added later too, are read with their shortcuts.
    static void ReadShortcutsOf(QMenu& menu);

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text textType) const override;
    void setText(QAccessible::Text textType, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

  private:
    QPointer<QMenu> menu_;
    QPointer<QAction> action_;
};

}  // namespace ui
