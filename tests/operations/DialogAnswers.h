#pragma once

#include <QString>
#include <optional>

#include "ModalDialogAnswerer.h"

// Answers for the dialogs the window's buttons open. Each sets the dialog's controls the way a
// technician would (arrow clicks, slider moves, list choices, radio clicks) and ends it.
namespace opstest {

// Clicks the button with that control id, or the first button showing that text.
void ClickButton(ui::TemplateDialog& dialog, int id);
void ClickButton(ui::TemplateDialog& dialog, const QString& text);

DialogAnswer PressOk();
DialogAnswer PressCancel();
// Any dialog: the button showing that text.
DialogAnswer PressButton(const QString& text);
// "Select Sensor": the up arrow clicked `sensor` times from 0, then OK.
DialogAnswer ChooseSensor(int sensor);
// "Set Sensor Voltage" / "Set Sensor Trip Point": the slider moved to a position (0 to 1000),
// then the sensor chosen with the up arrow, or "Apply setting to all sensors" checked for
// std::nullopt, then OK.
DialogAnswer ChooseLevel(int sliderPosition, std::optional<int> sensor);
// "Set Sensor Voltage" / "Set Sensor Trip Point": the value field's text selected and the
// level typed over it, the sensor chosen with the up arrow, then OK, okClicks times.
DialogAnswer TypeLevel(const QString& typed, int sensor, int okClicks = 1);
// "Set Target Power Level" or "Training Levels Storage Bin": an entry of the list, then OK.
DialogAnswer ChooseEntry(int listId, int index);
// "Enable or Disable Sensor Reporting": the two radio choices, then OK.
DialogAnswer ChooseReporting(bool enable, bool rightTube);

}  // namespace opstest
