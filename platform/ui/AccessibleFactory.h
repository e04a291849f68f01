#pragma once

#include <QAccessible>

namespace ui {

// Installs an accessibility interface factory the first time it is called for it; later calls
// do nothing, so every widget of a kind may call it as it is made.
template <QAccessible::InterfaceFactory factory>
void InstallAccessibleFactoryOnce() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace ui
