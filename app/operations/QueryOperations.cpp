#include <QLineEdit>
#include <QString>
#include <optional>
#include <string>

#include "app/MaintenanceDialog.h"
#include "app/PowerLevel.h"
#include "app/RecordKeeping.h"
#include "app/VisitEvents.h"
#include "app/WindowText.h"
#include "dialogs/SelectSensorDialog.h"
#include "platform/ui/Feedback.h"
#include "protocol/InstrumentLink.h"
#include "protocol/ReplyDecoding.h"
#include "record/VisitRecord.h"

namespace {

constexpr std::uint32_t kReplyWaitMs = 1000;
const QString kNoResponse = QStringLiteral("No Response.");

// The sensor the technician picks, or nothing when the link is missing or busy (a beep) or the
// dialog is cancelled.
std::optional<SensorIndex> AskSensor(MaintenanceDialog& window, const InstrumentLink* link,
                                     const char* event) {
    if (link == nullptr || link->IsPending()) {
        window.Record().Event("refused", {{"command", event}});
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

// Volts times milliamperes: milliwatts, with the sensor they belong to. Recorded only once
// both were read: the field shows a never-read one as 0.
void ShowPowerLevel(MaintenanceDialog& window, QLineEdit& levelField, QLineEdit& sensorField,
                    double volts, double milliamps, SensorIndex sensor, bool bothRead) {
    const double milliwatts = PowerLevelMilliwatts(volts, milliamps);
    if (bothRead) {
        QJsonObject values = visit::Reading(sensor, milliwatts, "mW");
        values.insert(QStringLiteral("volts"), volts);
        values.insert(QStringLiteral("milliamps"), milliamps);
        window.Record().Event("power_level", values);
    }
    levelField.setText(QString::fromStdString(protocol::FormatFixed(milliwatts, 1) + " mW"));
    sensorField.setText(QString::number(sensor));
}

// The trip point read, "not_trained" when the sensor has none.
QJsonObject TripPointValues(SensorIndex sensor, const std::string& reply, bool unsent) {
    if (reply.empty()) {
        return visit::WithReply({{"sensor", sensor}}, reply, unsent);
    }
    if (protocol::IsNotTrained(reply)) {
        return visit::WithReply({{"sensor", sensor}, {"not_trained", true}}, reply, false);
    }
    return visit::WithReply(visit::Reading(sensor, protocol::MilliampsFromReply(reply), "mA"),
                            reply, false);
}

}  // namespace

void MaintenanceDialog::OnQueryVoltage() {
    const std::optional<SensorIndex> sensor = AskSensor(*this, link_.get(), "query_voltage");
    if (!sensor) {
        return;
    }
    if (!link_->QueryVoltage(*sensor)) {
        record_->Event("refused", {{"command", "query_voltage"}});
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    voltageSensor_->setText(QString::number(*sensor));
    if (reply.empty()) {
        record_->Event("query_voltage",
                       visit::WithReply({{"sensor", *sensor}}, reply, LastCommandUnsent()));
        ui::Beep();
        voltageReply_->setText(kNoResponse);
        return;
    }
    const double volts = protocol::VoltsFromReply(reply);
    record_->Event("query_voltage",
                   visit::WithReply(visit::Reading(*sensor, volts, "V"), reply, false));
    voltageReply_->setText(ReadingText(reply, volts, "V"));
    lastVoltage_.at(static_cast<std::size_t>(*sensor)) = volts;
    recordKeeping_->powerLevelInputs.VoltageRead(*sensor);
    const auto index = static_cast<std::size_t>(*sensor);
    ShowPowerLevel(*this, *powerLevelReply_, *powerLevelSensor_, lastVoltage_.at(index),
                   lastCurrent_.at(index), *sensor,
                   recordKeeping_->powerLevelInputs.BothRead(*sensor));
}

void MaintenanceDialog::OnQueryCurrent() {
    const std::optional<SensorIndex> sensor = AskSensor(*this, link_.get(), "query_current");
    if (!sensor) {
        return;
    }
    if (!link_->QueryCurrent(*sensor)) {
        record_->Event("refused", {{"command", "query_current"}});
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    currentSensor_->setText(QString::number(*sensor));
    if (reply.empty()) {
        record_->Event("query_current",
                       visit::WithReply({{"sensor", *sensor}}, reply, LastCommandUnsent()));
        ui::Beep();
        currentReply_->setText(kNoResponse);
        return;
    }
    const double milliamps = protocol::MilliampsFromReply(reply);
    record_->Event("query_current",
                   visit::WithReply(visit::Reading(*sensor, milliamps, "mA"), reply, false));
    currentReply_->setText(ReadingText(reply, milliamps, "mA"));
    lastCurrent_.at(static_cast<std::size_t>(*sensor)) = milliamps;
    recordKeeping_->powerLevelInputs.CurrentRead(*sensor);
    const auto index = static_cast<std::size_t>(*sensor);
    ShowPowerLevel(*this, *powerLevelReply_, *powerLevelSensor_, lastVoltage_.at(index),
                   lastCurrent_.at(index), *sensor,
                   recordKeeping_->powerLevelInputs.BothRead(*sensor));
}

void MaintenanceDialog::OnQueryTripPoint() {
    const std::optional<SensorIndex> sensor = AskSensor(*this, link_.get(), "query_trip_point");
    if (!sensor) {
        return;
    }
    if (!link_->QueryTripPoint(*sensor)) {
        record_->Event("refused", {{"command", "query_trip_point"}});
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(kReplyWaitMs);
    tripPointSensor_->setText(QString::number(*sensor));
    record_->Event("query_trip_point", TripPointValues(*sensor, reply, LastCommandUnsent()));
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
