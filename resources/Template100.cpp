#include "resources/DialogTemplates.h"

namespace resources {

using namespace ui;

// The About box.
const DialogTemplate& AboutTemplate() {
    static const DialogTemplate dialogTemplate{
        100,
        QStringLiteral("About Merrowby"),
        235,
        55,
        {
            {NoId, ControlKind::Icon, {}, 11, 17, 20, 20, StyleNone},
            {NoId, ControlKind::Static, QStringLiteral("Merrowby Version 1.0"), 40, 10, 119, 8,
             StyleNone},
            {1, ControlKind::DefaultPushButton, QStringLiteral("OK"), 178, 7, 50, 14,
             StyleGroupStart | StyleTabStop},
        },
    };
    return dialogTemplate;
}

}  // namespace resources
