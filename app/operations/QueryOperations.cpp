#include <QLineEdit>
#include <QString>
#include <optional>
#include <string>

#include "app/MaintenanceDialog.h"
#include "app/WindowText.h"
#include "dialogs/SelectSensorDialog.h"
#include "platform/ui/Feedback.h"
#include "protocol/InstrumentLink.h"
#include "protocol/ReplyDecoding.h"

namespace {

constexpr std::uint32_t kReplyWaitMs = 1000;
const QString kNoResponse = QStringLiteral("No Response.");

// The sensor the technician picks, or nothing when the link is missing or busy (a beep) or the
// dialog is cancelled.
std::optional<SensorIndex> AskSensor(MaintenanceDialog& window, const InstrumentLink* link) {
    if (link == nullptr || link->IsPending()) {
        ui::Beep();
        return std::nullopt;
    }
    SelectSensorDialog dialog(&window);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Sensor();
}

// "0x<reply> (<value> <unit>)".
QString ReadingText(const std::string& reply, double value, const char* unit) {
    return ToWindowText(protocol::HexReplyText(reply) + " (" + protocol::FormatFixed(value, 3) +
                        " " + unit + ")");
}

// Volts times milliamperes: milliwatts, with the sensor they belong to.
void ShowPowerLevel(QLineEdit& levelField, QLineEdit& sensorField, double volts, double milliamps,
                    SensorIndex sensor) {
    levelField.setText(QString::fromStdString(protocol::FormatFixed(volts * milliamps, 1) + " mW"));
    sensorField.setText(QString::number(sensor));
}

}  // namespace

void MaintenanceDialog::OnQueryVoltage() {
    const std::optional<SensorIndex> sensor = AskSensor(*this, link_.get());
    if (!sensor) {
        return;
    }
    if (!link_->QueryVoltage(*sensor)) {
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    voltageSensor_->setText(QString::number(*sensor));
    if (reply.empty()) {
        ui::Beep();
        voltageReply_->setText(kNoResponse);
        return;
    }
    const double volts = protocol::VoltsFromReply(reply);
    voltageReply_->setText(ReadingText(reply, volts, "V"));
    lastVoltage_.at(static_cast<std::size_t>(*sensor)) = volts;
    const auto index = static_cast<std::size_t>(*sensor);
    ShowPowerLevel(*powerLevelReply_, *powerLevelSensor_, lastVoltage_.at(index),
                   lastCurrent_.at(index), *sensor);
}

void MaintenanceDialog::OnQueryCurrent() {
    const std::optional<SensorIndex> sensor = AskSensor(*this, link_.get());
    if (!sensor) {
        return;
    }
    if (!link_->QueryCurrent(*sensor)) {
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    currentSensor_->setText(QString::number(*sensor));
    if (reply.empty()) {
        ui::Beep();
        currentReply_->setText(kNoResponse);
        return;
    }
    const double milliamps = protocol::MilliampsFromReply(reply);
    currentReply_->setText(ReadingText(reply, milliamps, "mA"));
    lastCurrent_.at(static_cast<std::size_t>(*sensor)) = milliamps;
    const auto index = static_cast<std::size_t>(*sensor);
    ShowPowerLevel(*powerLevelReply_, *powerLevelSensor_, lastVoltage_.at(index),
                   lastCurrent_.at(index), *sensor);
}

void MaintenanceDialog::OnQueryTripPoint() {
    const std::optional<SensorIndex> sensor = AskSensor(*this, link_.get());
    if (!sensor) {
        return;
    }
    if (!link_->QueryTripPoint(*sensor)) {
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    tripPointSensor_->setText(QString::number(*sensor));
    if (reply.empty()) {
        ui::Beep();
        tripPointReply_->setText(kNoResponse);
    } else if (protocol::IsNotTrained(reply)) {
        tripPointReply_->setText(QString::fromUtf8(protocol::kNotTrained.data(),
                                                   static_cast<int>(protocol::kNotTrained.size())));
    } else {
        tripPointReply_->setText(ReadingText(reply, protocol::MilliampsFromReply(reply), "mA"));
    }
}
