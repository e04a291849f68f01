#include "resources/DialogTemplates.h"

namespace resources {

using namespace ui;

// "Set Target Power Level": the power level list with OK and Cancel.
const DialogTemplate& PowerLevelTemplate() {
    static const DialogTemplate dialogTemplate{
        129,
        QStringLiteral("Set Target Power Level"),
        186,
        66,
        {
            {1067, ControlKind::ComboBox, {}, 55, 15, 75, 70, StyleTabStop},
            {1, ControlKind::DefaultPushButton, QStringLiteral("OK"), 37, 40, 50, 14, StyleTabStop},
            {2, ControlKind::PushButton, QStringLiteral("Cancel"), 97, 40, 50, 14, StyleTabStop},
        },
    };
    return dialogTemplate;
}

}  // namespace resources
