#include "resources/DialogTemplates.h"

namespace resources {

using namespace ui;

// "Training Levels Storage Bin": the instrument model and the bin list.
const DialogTemplate& TrainingBinTemplate() {
    static const DialogTemplate dialogTemplate{
        132,
        QStringLiteral("Training Levels Storage Bin"),
        187,
        92,
        {
            {1105, ControlKind::RadioButton, QStringLiteral("Tarnel-A or Tarnel-B"), 48, 7, 90, 10,
             StyleGroupStart | StyleTabStop | StyleChecked},
            {1106, ControlKind::RadioButton, QStringLiteral("Tarnel-C"), 48, 20, 57, 10, StyleNone},
            {1074, ControlKind::ComboBox, {}, 14, 40, 160, 110, StyleGroupStart | StyleTabStop},
            {1, ControlKind::DefaultPushButton, QStringLiteral("OK"), 36, 66, 50, 14,
             StyleGroupStart | StyleTabStop},
            {2, ControlKind::PushButton, QStringLiteral("Cancel"), 101, 66, 50, 14,
             StyleGroupStart},
        },
    };
    return dialogTemplate;
}

}  // namespace resources
