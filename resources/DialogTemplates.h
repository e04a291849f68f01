#pragma once

#include "platform/ui/DialogTemplate.h"

// The program's dialog templates, by resource id. Each is defined in its own TemplateNNN.cpp.
namespace resources {

const ui::DialogTemplate& AboutTemplate();              // 100
const ui::DialogTemplate& MainWindowTemplate();         // 102
const ui::DialogTemplate& PowerLevelTemplate();         // 129
const ui::DialogTemplate& SensorLevelTemplate();        // 130
const ui::DialogTemplate& SelectSensorTemplate();       // 131
const ui::DialogTemplate& TrainingBinTemplate();        // 132
const ui::DialogTemplate& SensorReportingTemplate();    // 135
const ui::DialogTemplate& SensorTimingTestTemplate();   // 136
const ui::DialogTemplate& PortSettingsTemplate();       // port settings

}  // namespace resources
