#pragma once

#include "platform/ui/TemplateDialog.h"
#include "protocol/SensorIndex.h"

class UpDownControl;

// "Select Sensor": picks one sensor number, 0 to 7, with an up-down control.
class SelectSensorDialog : public ui::TemplateDialog {
    Q_OBJECT
  public:
    enum ControlId { IdSensorNumber = 1071, IdSensorSpin = 1072 };

    explicit SelectSensorDialog(QWidget* parent = nullptr);

    // Read after OK.
    SensorIndex Sensor() const { return sensor_; }

  private:
    UpDownControl* spin_;
    SensorIndex sensor_ = 0;
};
