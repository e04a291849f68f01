#include <QLineEdit>
#include <QRadioButton>
#include <QString>
#include <string>

#include "app/MaintenanceDialog.h"
#include "app/WindowText.h"
#include "dialogs/PowerLevelDialog.h"
#include "dialogs/SelectSensorDialog.h"
#include "dialogs/SensorLevelDialog.h"
#include "dialogs/SensorReportingDialog.h"
#include "dialogs/SensorTimingTestDialog.h"
#include "dialogs/TrainingBinDialog.h"
#include "platform/ui/Feedback.h"
#include "protocol/InstrumentLink.h"

namespace {

constexpr std::uint32_t kReplyWaitMs = 1000;
constexpr std::int32_t kEmptyTicksAllowed = 900;
const QString kNoResponse = QStringLiteral("No Response.");
const QString kCheckEnabledStatus = QStringLiteral("Check Enabled Status");

// Shows a reply in the response field, or beeps and says there was none; true with a reply.
bool ShowReply(QLineEdit& response, const std::string& reply) {
    if (reply.empty()) {
        ui::Beep();
        response.setText(kNoResponse);
        return false;
    }
    response.setText(ToWindowText(reply));
    return true;
}

// "Set Voltage" and "Set Trip Point": one sensor, or every sensor in order until one is silent.
void SetSensorLevels(MaintenanceDialog& window, InstrumentLink* link, QLineEdit& response,
                     std::uint8_t kind) {
    if (link == nullptr || link->IsPending()) {
        ui::Beep();
        return;
    }
    SensorLevelDialog dialog(kind, &window);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const bool allSensors = dialog.Sensor() < 0;
    const SensorIndex first = allSensors ? 0 : dialog.Sensor();
    const SensorIndex last = allSensors ? kSensorCount - 1 : dialog.Sensor();
    for (SensorIndex sensor = first; sensor <= last; ++sensor) {
        const bool accepted = dialog.IsTripPoint() ? link->SetTripPoint(dialog.Value(), sensor)
                                                   : link->SetVoltage(dialog.Value(), sensor);
        if (!accepted) {
            ui::Beep();
            continue;
        }
        if (!ShowReply(response, window.WaitForReply(kReplyWaitMs))) {
            return;
        }
    }
}

// "Save Training Data" and "Restore Training Data".
void TransferTrainingData(MaintenanceDialog& window, InstrumentLink* link, QLineEdit& response,
                          bool save) {
    if (link == nullptr || link->IsPending()) {
        ui::Beep();
        return;
    }
    TrainingBinDialog dialog(&window);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const bool accepted =
        save ? link->SaveTrainingData(dialog.Bin()) : link->RestoreTrainingData(dialog.Bin());
    if (!accepted) {
        ui::Beep();
        return;
    }
    ShowReply(response, window.WaitForReply(kReplyWaitMs));
}

}  // namespace

void MaintenanceDialog::OnGoOffline() {
    if (!link_ || !link_->GoOffline()) {
        ui::Beep();
        return;
    }
    ShowReply(*response_, WaitForReply(kReplyWaitMs));
}

void MaintenanceDialog::OnGoOnline() {
    if (!link_ || !link_->GoOnline()) {
        ui::Beep();
        return;
    }
    ShowReply(*response_, WaitForReply(kReplyWaitMs));
}

void MaintenanceDialog::OnSetPowerLevel() {
    if (!link_ || link_->IsPending()) {
        ui::Beep();
        return;
    }
    PowerLevelDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!link_->SetPowerLevel(dialog.Code())) {
        ui::Beep();
        return;
    }
    ShowReply(*response_, WaitForReply(kReplyWaitMs));
}

void MaintenanceDialog::OnSetVoltage() {
    SetSensorLevels(*this, link_.get(), *response_, SensorLevelDialog::kVoltageKind);
}

void MaintenanceDialog::OnSetTripPoint() {
    SetSensorLevels(*this, link_.get(), *response_, SensorLevelDialog::kTripPointKind);
}

void MaintenanceDialog::OnAdjustTripPoint() {
    if (!link_ || link_->IsPending()) {
        ui::Beep();
        return;
    }
    SelectSensorDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!link_->AdjustTripPoint(dialog.Sensor())) {
        ui::Beep();
        return;
    }
    ShowReply(*response_, WaitForReply(kReplyWaitMs));
}

void MaintenanceDialog::OnSensorReports() {
    if (!link_ || link_->IsPending()) {
        ui::Beep();
        return;
    }
    SensorReportingDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!link_->SetSensorReporting(dialog.Enable() != 0, dialog.RightTube() != 0)) {
        ui::Beep();
        return;
    }
    // The link drops this reply: the wait always runs its full time.
    WaitForReply(kReplyWaitMs);
    ui::Beep();
    response_->setText(kCheckEnabledStatus);
}

void MaintenanceDialog::OnTrainSensor() {
    if (!link_ || link_->IsPending()) {
        ui::Beep();
        return;
    }
    SelectSensorDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!link_->TrainSensor(dialog.Sensor())) {
        ui::Beep();
        return;
    }
    if (ShowReply(*response_, WaitForReply(kReplyWaitMs))) {
        SetTimer(kTrainingTimerId, kTrainingTimerPeriodMs);
    }
}

void MaintenanceDialog::OnTrainingTick() {
    if (!link_) {
        KillTimer(kTrainingTimerId);
        return;
    }
    const std::string reply = link_->ReadReply();
    if (!reply.empty()) {
        response_->setText(ToWindowText(reply));
        KillTimer(kTrainingTimerId);
        emptyTickCount_ = 0;
        if (link_->IsPending()) {
            SetTimer(kTrainingTimerId, kTrainingTimerPeriodMs);
        } else {
            TakeUpLineIfDue();
        }
        return;
    }
    if (emptyTickCount_ < kEmptyTicksAllowed) {
        ++emptyTickCount_;
        return;
    }
    KillTimer(kTrainingTimerId);
    emptyTickCount_ = 0;
    link_->Reset();
    ui::Beep();
    response_->setText(kNoResponse);
    TakeUpLineIfDue();
}

void MaintenanceDialog::OnSaveTrainingData() {
    TransferTrainingData(*this, link_.get(), *response_, true);
}

void MaintenanceDialog::OnRestoreTrainingData() {
    TransferTrainingData(*this, link_.get(), *response_, false);
}

void MaintenanceDialog::OnSensorTimingTest() {
    if (!link_ || link_->IsPending()) {
        ui::Beep();
        return;
    }
    const bool wasOffline = goOffline_->isChecked();
    if (wasOffline) {
        if (!link_->GoOnline()) {
            ui::Beep();
            return;
        }
        if (!ShowReply(*response_, WaitForReply(kReplyWaitMs))) {
            return;
        }
        goOnline_->setChecked(true);  // the group unchecks "Go Offline"
    }
    {
        SensorTimingTestDialog dialog(*link_, *this, this);
        dialog.exec();
    }
    if (wasOffline && link_ && link_->GoOffline()) {
        if (ShowReply(*response_, WaitForReply(kReplyWaitMs))) {
            goOffline_->setChecked(true);
        }
    }
}
