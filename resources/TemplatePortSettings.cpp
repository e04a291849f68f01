#include "resources/DialogTemplates.h"

namespace resources {

using namespace ui;

// The port settings dialog. The line-setting controls and the file path controls share the
// same rows: only one set is visible at a time.
const DialogTemplate& PortSettingsTemplate() {
    static const DialogTemplate dialogTemplate{
        0,
        QStringLiteral("Port Settings"),
        222,
        104,
        {
            {NoId, ControlKind::Static, QStringLiteral("&Port:"), 7, 9, 44, 8, StyleNone},
            {1005, ControlKind::ComboBox, {}, 54, 7, 104, 90, StyleGroupStart | StyleTabStop},
            {1019, ControlKind::Static, QStringLiteral("&Baud rate:"), 7, 27, 44, 8, StyleNone},
            {1006, ControlKind::ComboBox, {}, 54, 25, 104, 110, StyleGroupStart | StyleTabStop},
            {1020, ControlKind::Static, QStringLiteral("P&arity:"), 7, 45, 44, 8, StyleNone},
            {1008, ControlKind::ComboBox, {}, 54, 43, 104, 80, StyleGroupStart | StyleTabStop},
            {1021, ControlKind::Static, QStringLiteral("&Stop bits:"), 7, 63, 44, 8, StyleNone},
            {1007, ControlKind::ComboBox, {}, 54, 61, 104, 50, StyleGroupStart | StyleTabStop},
            {1022, ControlKind::Static, QStringLiteral("&File:"), 7, 27, 44, 8, StyleHidden},
            {1015,
             ControlKind::Edit,
             {},
             54,
             25,
             104,
             14,
             StyleGroupStart | StyleTabStop | StyleBorder | StyleAutoScroll | StyleHidden},
            {3, ControlKind::PushButton, QStringLiteral("B&rowse..."), 54, 43, 60, 14,
             StyleGroupStart | StyleTabStop | StyleHidden},
            {1009, ControlKind::CheckBox, QStringLiteral("&Use as default"), 7, 84, 151, 10,
             StyleGroupStart | StyleTabStop},
            {1, ControlKind::DefaultPushButton, QStringLiteral("OK"), 165, 7, 50, 14,
             StyleGroupStart | StyleTabStop},
            {2, ControlKind::PushButton, QStringLiteral("Cancel"), 165, 24, 50, 14,
             StyleGroupStart | StyleTabStop},
        },
    };
    return dialogTemplate;
}

}  // namespace resources
