#include "HelpKeyCounter.h"

#include <QKeyEvent>

namespace portsettingstest {

bool HelpKeyCounter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        ++count_;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace portsettingstest
