#include "resources/ApplicationIcon.h"

// The resources are compiled into a static library: register them before first use.
static void RegisterResources() {
    Q_INIT_RESOURCE(merrowby);
}

namespace resources {

QIcon ApplicationIcon() {
    static const bool registered = (RegisterResources(), true);
    static_cast<void>(registered);
    return QIcon(QStringLiteral(":/merrowby/icon128.png"));
}

}  // namespace resources
