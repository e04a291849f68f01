#include "resources/DialogTemplates.h"

namespace resources {

using namespace ui;

// "Enable or Disable Sensor Reporting": two separate radio pairs.
const DialogTemplate& SensorReportingTemplate() {
    static const DialogTemplate dialogTemplate{
        135,
        QStringLiteral("Enable or Disable Sensor Reporting"),
        186,
        81,
        {
            {1079, ControlKind::RadioButton, QStringLiteral("Enable"), 40, 15, 38, 10,
             StyleGroupStart | StyleTabStop | StyleChecked},
            {1080, ControlKind::RadioButton, QStringLiteral("Disable"), 40, 30, 39, 10, StyleNone},
            {1081, ControlKind::RadioButton, QStringLiteral("Left Tube"), 95, 15, 47, 10,
             StyleGroupStart | StyleTabStop | StyleChecked},
            {1082, ControlKind::RadioButton, QStringLiteral("Right Tube"), 95, 30, 51, 10,
             StyleNone},
            {1, ControlKind::DefaultPushButton, QStringLiteral("OK"), 35, 56, 50, 14,
             StyleGroupStart | StyleTabStop},
            {2, ControlKind::PushButton, QStringLiteral("Cancel"), 100, 56, 50, 14, StyleTabStop},
        },
    };
    return dialogTemplate;
}

}  // namespace resources
