#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <string>

#include "app/MaintenanceDialog.h"
#include "app/VisitEvents.h"
#include "app/WindowText.h"
#include "dialogs/PowerLevelDialog.h"
#include "dialogs/PowerLevelTable.h"
#include "dialogs/SelectSensorDialog.h"
#include "dialogs/SensorLevelDialog.h"
#include "dialogs/SensorReportingDialog.h"
#include "dialogs/SensorTimingTestDialog.h"
#include "dialogs/TrainingBinDialog.h"
#include "platform/ui/Feedback.h"
#include "protocol/CommandSet.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"

namespace {

constexpr std::uint32_t kReplyWaitMs = 1000;
constexpr std::int32_t kEmptyTicksAllowed = 900;
const QString kNoResponse = QStringLiteral("No Response.");
const QString kCheckEnabledStatus = QStringLiteral("Check Enabled Status");

void RecordRefusal(MaintenanceDialog& window, const char* command) {
    window.Record().Event("refused", {{"command", command}});
}

// The level as sent: the value and unit, and the code in hexadecimal.
QJsonObject LevelValues(const SensorLevelDialog& dialog, SensorIndex sensor, bool allSensors) {
    const bool tripPoint = dialog.IsTripPoint();
    const std::int32_t code =
        tripPoint ? protocol::TripCode(dialog.Value()) : protocol::VoltageCode(dialog.Value());
    return QJsonObject{
        {"sensor", sensor},
        {"all_sensors", allSensors},
        {"value", dialog.Value()},
        {"unit", tripPoint ? "mA" : "V"},
        {"code",
         QStringLiteral("%1").arg(code, tripPoint ? 4 : 3, 16, QLatin1Char('0')).toUpper()}};
}

// The listed level of a power level code, e.g. 6.5 mW for "851B".
QJsonObject PowerLevelValues(const std::string& code) {
    QJsonObject values{{"code", QString::fromStdString(code)}};
    for (const PowerLevel& level : PowerLevels()) {
        if (level.code == code) {
            const QString text =
                QString::fromLatin1(level.text.data(), static_cast<qsizetype>(level.text.size()));
            values.insert(QStringLiteral("value"), text.section(QLatin1Char(' '), 0, 0).toDouble());
            values.insert(QStringLiteral("unit"), QStringLiteral("mW"));
        }
    }
    return values;
}

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
        RecordRefusal(window,
                      kind == SensorLevelDialog::kTripPointKind ? "set_trip_point" : "set_voltage");
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
        const char* const event = dialog.IsTripPoint() ? "set_trip_point" : "set_voltage";
        if (!accepted) {
            RecordRefusal(window, event);
            ui::Beep();
            continue;
        }
        const std::string reply = window.WaitForReply(kReplyWaitMs);
        window.Record().Event(event, visit::WithReply(LevelValues(dialog, sensor, allSensors),
                                                      reply, window.LastCommandUnsent()));
        if (!ShowReply(response, reply)) {
            return;
        }
    }
}

// "Save Training Data" and "Restore Training Data".
void TransferTrainingData(MaintenanceDialog& window, InstrumentLink* link, QLineEdit& response,
                          bool save) {
    const char* const event = save ? "save_training_data" : "restore_training_data";
    if (link == nullptr || link->IsPending()) {
        RecordRefusal(window, event);
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
        RecordRefusal(window, event);
        ui::Beep();
        return;
    }
    const std::string reply = window.WaitForReply(kReplyWaitMs);
    window.Record().Event(
        event, visit::WithReply({{"bin", dialog.Bin()}}, reply, window.LastCommandUnsent()));
    ShowReply(response, reply);
}

// The tube, when the clock was started for the readings (when it was), and every row of the
// table: the interval and the four readings.
QJsonObject TimingTestValues(const SensorTimingTestDialog& dialog, const QDateTime& clockStarted) {
    QJsonArray rows;
    for (const TimingTestTable::Row& row : dialog.Table().Rows()) {
        QJsonArray readings;
        for (std::size_t slot = 1; slot < row.size(); ++slot) {
            readings.append(QString::fromStdString(row[slot]));
        }
        rows.append(
            QJsonObject{{"interval", QString::fromStdString(row[0])}, {"readings", readings}});
    }
    QJsonObject values{
        {"tube", visit::TubeName(!dialog.IsLeftTube())}, {"interval_unit", "s"}, {"rows", rows}};
    if (clockStarted.isValid()) {
        values.insert(QStringLiteral("clock_started"), VisitRecord::TimeText(clockStarted));
    }
    return values;
}

// The Start that the readings follow: the first one, or a later one while the table is still
// empty (a tube chosen empties it).
void FollowClockStart(SensorTimingTestDialog& dialog, QDateTime& clockStarted) {
    auto* startStop = dialog.ControlAs<QPushButton>(SensorTimingTestDialog::kStartStopId);
    // After the dialog's own handler: running now means the click started the clock.
    QObject::connect(startStop, &QPushButton::clicked, &dialog, [&dialog, &clockStarted] {
        if (dialog.IsRunning() && (!clockStarted.isValid() || dialog.Table().Rows().empty())) {
            clockStarted = QDateTime::currentDateTime();
        }
    });
}

}  // namespace

void MaintenanceDialog::OnGoOffline() {
    if (!link_ || !link_->GoOffline()) {
        RecordRefusal(*this, "go_offline");
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    record_->Event("go_offline",
                   visit::WithConfirmation({}, reply, LastCommandUnsent(), "OFFLINE"));
    ShowReply(*response_, reply);
}

void MaintenanceDialog::OnGoOnline() {
    if (!link_ || !link_->GoOnline()) {
        RecordRefusal(*this, "go_online");
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    record_->Event("go_online", visit::WithConfirmation({}, reply, LastCommandUnsent(), "ONLINE"));
    ShowReply(*response_, reply);
}

void MaintenanceDialog::OnSetPowerLevel() {
    if (!link_ || link_->IsPending()) {
        RecordRefusal(*this, "set_power_level");
        ui::Beep();
        return;
    }
    PowerLevelDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!link_->SetPowerLevel(dialog.Code())) {
        RecordRefusal(*this, "set_power_level");
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    record_->Event("set_power_level",
                   visit::WithReply(PowerLevelValues(dialog.Code()), reply, LastCommandUnsent()));
    ShowReply(*response_, reply);
}

void MaintenanceDialog::OnSetVoltage() {
    SetSensorLevels(*this, link_.get(), *response_, SensorLevelDialog::kVoltageKind);
}

void MaintenanceDialog::OnSetTripPoint() {
    SetSensorLevels(*this, link_.get(), *response_, SensorLevelDialog::kTripPointKind);
}

void MaintenanceDialog::OnAdjustTripPoint() {
    if (!link_ || link_->IsPending()) {
        RecordRefusal(*this, "adjust_trip_point");
        ui::Beep();
        return;
    }
    SelectSensorDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!link_->AdjustTripPoint(dialog.Sensor())) {
        RecordRefusal(*this, "adjust_trip_point");
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    record_->Event("adjust_trip_point",
                   visit::WithReply({{"sensor", dialog.Sensor()}}, reply, LastCommandUnsent()));
    ShowReply(*response_, reply);
}

void MaintenanceDialog::OnSensorReports() {
    if (!link_ || link_->IsPending()) {
        RecordRefusal(*this, "sensor_reports");
        ui::Beep();
        return;
    }
    SensorReportingDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!link_->SetSensorReporting(dialog.Enable() != 0, dialog.RightTube() != 0)) {
        RecordRefusal(*this, "sensor_reports");
        ui::Beep();
        return;
    }
    // The link drops this reply: the wait always runs its full time.
    WaitForReply(kReplyWaitMs);
    QJsonObject values{{"enable", dialog.Enable() != 0},
                       {"tube", visit::TubeName(dialog.RightTube() != 0)},
                       {"response", kCheckEnabledStatus}};
    if (LastCommandUnsent()) {
        values.insert(QStringLiteral("not_sent"), true);
    }
    record_->Event("sensor_reports", values);
    ui::Beep();
    response_->setText(kCheckEnabledStatus);
}

void MaintenanceDialog::OnTrainSensor() {
    if (!link_ || link_->IsPending()) {
        RecordRefusal(*this, "train_sensor");
        ui::Beep();
        return;
    }
    SelectSensorDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!link_->TrainSensor(dialog.Sensor())) {
        RecordRefusal(*this, "train_sensor");
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    record_->Event("train_sensor",
                   visit::WithReply({{"sensor", dialog.Sensor()}}, reply, LastCommandUnsent()));
    if (ShowReply(*response_, reply)) {
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
        record_->Event(link_->IsPending() ? "training_progress" : "training_end",
                       visit::WithReply({}, reply, false));
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
    record_->Event("training_end", visit::WithReply({}, {}, false));
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
        RecordRefusal(*this, "timing_test");
        ui::Beep();
        return;
    }
    const bool wasOffline = goOffline_->isChecked();
    if (wasOffline) {
        if (!link_->GoOnline()) {
            RecordRefusal(*this, "go_online");
            ui::Beep();
            return;
        }
        const std::string reply = WaitForReply(kReplyWaitMs);
        record_->Event("go_online",
                       visit::WithConfirmation({}, reply, LastCommandUnsent(), "ONLINE"));
        if (!ShowReply(*response_, reply)) {
            return;
        }
        goOnline_->setChecked(true);  // the group unchecks "Go Offline"
    }
    {
        record_->Event("timing_test_start", {});
        SensorTimingTestDialog dialog(*link_, *this, this);
        QDateTime clockStarted;
        FollowClockStart(dialog, clockStarted);
        timingTestOpen_ = true;
        dialog.exec();
        timingTestOpen_ = false;
        record_->Event("timing_test_end", TimingTestValues(dialog, clockStarted));
    }
    // A termination puts the card online on the way out: no use taking it offline first.
    if (wasOffline && !terminating_ && link_ && link_->GoOffline()) {
        const std::string reply = WaitForReply(kReplyWaitMs);
        // A line that came back during the test: this "M" takes the card up, and is recorded
        // once, as the take-up.
        const bool takesUpLine = lineTakeUpDue_ && !reply.empty();
        if (!takesUpLine) {
            record_->Event("go_offline",
                           visit::WithConfirmation({}, reply, LastCommandUnsent(), "OFFLINE"));
        }
        if (ShowReply(*response_, reply)) {
            goOffline_->setChecked(true);
        }
        if (takesUpLine) {
            FinishLineTakeUp(reply);
        }
    }
    TakeUpLineIfDue();
}
