#include "dialogs/SensorReportingDialog.h"

#include <QRadioButton>

#include "dialogs/StandardButtons.h"
#include "platform/ui/RadioGroupName.h"
#include "resources/DialogTemplates.h"

SensorReportingDialog::SensorReportingDialog(QWidget* parent)
    : ui::TemplateDialog(resources::SensorReportingTemplate(), parent),
      enableButton_(ControlAs<QRadioButton>(IdEnable)),
      leftTubeButton_(ControlAs<QRadioButton>(IdLeftTube)) {
    ConnectStandardButtons(*this);
    enableButton_->setChecked(true);
    leftTubeButton_->setChecked(true);
    ui::NameRadioGroup({enableButton_, ControlAs<QRadioButton>(IdDisable)}, tr("Reporting"));
    ui::NameRadioGroup({leftTubeButton_, ControlAs<QRadioButton>(IdRightTube)}, tr("Tube"));
}

void SensorReportingDialog::OnOk() {
    enable_ = enableButton_->isChecked() ? 1 : 0;
    rightTube_ = leftTubeButton_->isChecked() ? 0 : 1;
    accept();
}
