#include "platform/ui/EscapeCloses.h"

#include <QAction>
#include <QWidget>

namespace ui {

void CloseOnEscape(QWidget& window) {
    auto* close = new QAction(&window);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    close->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(close, &QAction::triggered, &window, &QWidget::close);
    window.addAction(close);
}

}  // namespace ui
