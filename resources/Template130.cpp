#include "resources/DialogTemplates.h"

namespace resources {

using namespace ui;

// The sensor voltage and trip point dialog; its title and unit label are set when it opens.
// 1069 is the numeric entry field and 1072 the up-down control, both made by the dialog.
const DialogTemplate& SensorLevelTemplate() {
    static const DialogTemplate dialogTemplate{
        130,
        {},
        186,
        95,
        {
            {NoId, ControlKind::Static, QStringLiteral("Sensor #"), 7, 8, 30, 8, StyleNone},
            {1071,
             ControlKind::Edit,
             {},
             38,
             6,
             20,
             14,
             StyleReadOnly | StyleBorder | StyleTabStop},
            {1072, ControlKind::Custom, {}, 60, 6, 10, 14, StyleNone},
            {1090, ControlKind::CheckBox, QStringLiteral("Apply setting to all sensors"), 79, 6, 96,
             10, StyleTabStop},
            {1069, ControlKind::Custom, {}, 70, 27, 30, 14, StyleBorder | StyleTabStop},
            {1068, ControlKind::Static, {}, 102, 29, 14, 8, StyleNone},
            {1070,
             ControlKind::Slider,
             {},
             5,
             45,
             175,
             15,
             StyleTicksBothSides | StyleBorder | StyleTabStop},
            {1, ControlKind::DefaultPushButton, QStringLiteral("OK"), 37, 75, 50, 14, StyleTabStop},
            {2, ControlKind::PushButton, QStringLiteral("Cancel"), 97, 75, 50, 14, StyleTabStop},
        },
    };
    return dialogTemplate;
}

}  // namespace resources
