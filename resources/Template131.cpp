#include "resources/DialogTemplates.h"

namespace resources {

using namespace ui;

// "Select Sensor": the sensor number field with its up-down control (1072, made by the dialog).
const DialogTemplate& SelectSensorTemplate() {
    static const DialogTemplate dialogTemplate{
        131,
        QStringLiteral("Select Sensor"),
        186,
        76,
        {
            {NoId, ControlKind::Static, QStringLiteral("Sensor #"), 61, 18, 30, 8, StyleNone},
            {1071,
             ControlKind::Edit,
             {},
             92,
             16,
             20,
             14,
             StyleReadOnly | StyleBorder | StyleTabStop},
            {1072, ControlKind::Custom, {}, 114, 16, 10, 14, StyleNone},
            {1, ControlKind::DefaultPushButton, QStringLiteral("OK"), 37, 47, 50, 14, StyleTabStop},
            {2, ControlKind::PushButton, QStringLiteral("Cancel"), 97, 47, 50, 14, StyleTabStop},
        },
    };
    return dialogTemplate;
}

}  // namespace resources
