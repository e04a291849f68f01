#include "dialogs/SelectSensorDialog.h"

#include <QLineEdit>

#include "dialogs/StandardButtons.h"
#include "dialogs/UpDownControl.h"
#include "resources/DialogTemplates.h"

namespace {

QWidget* CreateControl(const ui::ControlSpec& spec, QWidget* host) {
    return spec.id == SelectSensorDialog::IdSensorSpin ? new UpDownControl(host) : nullptr;
}

}  // namespace

SelectSensorDialog::SelectSensorDialog(QWidget* parent)
    : ui::TemplateDialog(resources::SelectSensorTemplate(), parent, CreateControl),
      spin_(ControlAs<UpDownControl>(IdSensorSpin)) {
    ConnectStandardButtons(*this);
    spin_->SetBuddy(ControlAs<QLineEdit>(IdSensorNumber));
    spin_->AttachToRightOfBuddy();
    spin_->SetRange(0, kSensorCount - 1);
    spin_->SetPosition(0);
    spin_->setAccessibleName(tr("Sensor number"));
    sensor_ = 0;
    connect(spin_, &UpDownControl::Scrolled, this, [this](int position) { sensor_ = position; });
}
