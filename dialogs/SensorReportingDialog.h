#pragma once

#include <cstdint>

#include "platform/ui/TemplateDialog.h"

class QRadioButton;

// "Enable or Disable Sensor Reporting": enable or disable, and which tube.
class SensorReportingDialog : public ui::TemplateDialog {
    Q_OBJECT
  public:
    enum ControlId { IdEnable = 1079, IdDisable = 1080, IdLeftTube = 1081, IdRightTube = 1082 };

    explicit SensorReportingDialog(QWidget* parent = nullptr);

    // Read after OK: 1 to enable reporting, else 0; 1 for the right tube, 0 for the left.
    std::int32_t Enable() const { return enable_; }
    std::int32_t RightTube() const { return rightTube_; }

    void OnOk() override;

  private:
    QRadioButton* enableButton_;
    QRadioButton* leftTubeButton_;
    std::int32_t enable_ = 1;
    std::int32_t rightTube_ = 0;
};
