#include "resources/DialogTemplates.h"

namespace resources {

using namespace ui;

// The sensor timing test. The clock's two read-only fields sit on a sunken static that
// draws the colon between them.
const DialogTemplate& SensorTimingTestTemplate() {
    static const DialogTemplate dialogTemplate{
        136,
        QStringLiteral("Sensor Timing Test"),
        252,
        170,
        {
            {NoId, ControlKind::GroupBox, QStringLiteral("8 Minute Timer"), 10, 5, 125, 50,
             StyleNone},
            {1081, ControlKind::RadioButton, QStringLiteral("Left Tube"), 17, 20, 47, 10,
             StyleGroupStart | StyleTabStop},
            {1082, ControlKind::RadioButton, QStringLiteral("Right Tube"), 17, 33, 51, 10,
             StyleNone},
            {NoId, ControlKind::Static, QStringLiteral("        :"), 85, 15, 35, 14, StyleSunken},
            {1084, ControlKind::Edit, {}, 86, 16, 13, 12, StyleReadOnly | StyleRight},
            {1085, ControlKind::Edit, {}, 104, 16, 12, 12, StyleReadOnly | StyleRight},
            {1086, ControlKind::PushButton, QStringLiteral("Start"), 85, 33, 35, 14,
             StyleGroupStart | StyleTabStop},
            {NoId, ControlKind::GroupBox, QStringLiteral("Sensor Readings"), 141, 5, 100, 50,
             StyleNone},
            {NoId, ControlKind::Static,
             QStringLiteral("Type 6 digit hexadecimal reading and hit ENTER."), 147, 15, 85, 20,
             StyleCentred},
            {1088,
             ControlKind::Custom,
             {},
             173,
             37,
             35,
             14,
             StyleTabStop | StyleBorder | StyleAutoScroll},
            {1087,
             ControlKind::ListView,
             {},
             9,
             68,
             233,
             65,
             StyleTabStop | StyleBorder | StyleSunken},
            {2, ControlKind::PushButton, QStringLiteral("Done"), 100, 145, 50, 14, StyleTabStop},
        },
    };
    return dialogTemplate;
}

}  // namespace resources
