#include "history/VisitSummary.h"

#include <QJsonArray>
#include <QJsonObject>

#include "record/ConditionNames.h"
#include "record/RecordReader.h"
#include "report/ServiceReportBuilder.h"

namespace {

std::optional<double> Number(const QJsonObject& sensor, const char* field) {
    const QJsonValue value = sensor.value(QLatin1String(field));
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

// "4.537 V" as 4.537; "No Response.", "Not Trained" and none as nothing.
std::optional<double> NumberOf(const std::optional<ServiceReport::Reading>& reading) {
    if (!reading) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = reading->text.section(QLatin1Char(' '), 0, 0).toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// "enabled, trained" (or "none") as its bits.
std::optional<int> StatusOf(const std::optional<ServiceReport::Reading>& reading) {
    if (!reading) {
        return std::nullopt;
    }
    int bits = 0;
    const QStringList set = reading->text.split(QStringLiteral(", "));
    for (std::size_t c = 0; c < visit::kConditionNames.size(); ++c) {
        if (set.contains(QLatin1String(visit::kConditionNames[c]))) {
            bits |= 1 << c;
        }
    }
    return bits;
}

VisitSummary::Sensors FromReadings(
    const std::array<ServiceReport::SensorReadings, ServiceReport::kSensorCount>& readings) {
    VisitSummary::Sensors sensors{};
    for (std::size_t s = 0; s < sensors.size(); ++s) {
        const ServiceReport::SensorReadings& cells = readings[s];
        sensors[s] = {NumberOf(cells.voltage), NumberOf(cells.current), NumberOf(cells.tripPoint),
                      NumberOf(cells.powerLevel), StatusOf(cells.status)};
    }
    return sensors;
}

VisitSummary::Sensors FromSurvey(const QJsonObject& survey) {
    VisitSummary::Sensors sensors{};
    for (const QJsonValue& value : survey.value(QStringLiteral("sensors")).toArray()) {
        const QJsonObject sensor = value.toObject();
        const int index = sensor.value(QStringLiteral("sensor")).toInt(-1);
        if (index < 0 || index >= VisitSummary::kSensorCount) {
            continue;
        }
        VisitSummary::Sensor& values = sensors[static_cast<std::size_t>(index)];
        values.volts = Number(sensor, "volts");
        values.milliamps = Number(sensor, "milliamps");
        values.tripPointMilliamps = Number(sensor, "trip_point_milliamps");
        values.powerMilliwatts = Number(sensor, "power_milliwatts");
        if (sensor.value(QStringLiteral("enabled")).isBool()) {
            int bits = 0;
            for (std::size_t c = 0; c < visit::kConditionNames.size(); ++c) {
                if (sensor.value(QLatin1String(visit::kConditionNames[c])).toBool()) {
                    bits |= 1 << c;
                }
            }
            values.status = bits;
        }
    }
    return sensors;
}

// The complete survey taken at `time`: the first or the last of those at that time.
std::optional<QJsonObject> SurveyAt(const QList<QJsonObject>& events, const QDateTime& time,
                                    bool last) {
    std::optional<QJsonObject> found;
    for (const QJsonObject& event : events) {
        if (event.value(QStringLiteral("event")).toString() != QStringLiteral("survey") ||
            event.value(QStringLiteral("cancelled")).toBool() ||
            QDateTime::fromString(event.value(QStringLiteral("time")).toString(),
                                  Qt::ISODateWithMs) != time) {
            continue;
        }
        found = event;
        if (!last) {
            break;
        }
    }
    return found;
}

}  // namespace

std::optional<VisitSummary> VisitSummary::FromRecord(const QString& path,
                                                     const AcceptanceLimits* limits,
                                                     QString& error) {
    const ReadRecord read = RecordReader::Read(path, RecordReader::Samples::Skipped);
    if (!read.IsRecord()) {
        error = read.error;
        return std::nullopt;
    }
    ServiceReportBuilder builder;
    builder.SetAcceptanceLimits(limits);
    for (const QJsonObject& event : read.events) {
        builder.Add(event);
    }
    const ServiceReport report = builder.Report();
    VisitSummary visit = FromReport(report);
    visit.record = path;
    // The surveys' values as the card gave them, beyond the report's decimals.
    if (report.asFoundSurveyed) {
        if (const auto found = SurveyAt(read.events, report.asFoundTime, false)) {
            visit.asFound = FromSurvey(*found);
        }
    }
    if (report.asLeftTime.isValid()) {
        if (const auto left = SurveyAt(read.events, report.asLeftTime, true)) {
            visit.asLeft = FromSurvey(*left);
        }
    }
    return visit;
}

VisitSummary VisitSummary::FromReport(const ServiceReport& report) {
    VisitSummary visit;
    visit.reportNumber = report.reportNumber;
    visit.model = report.details.model;
    visit.serialNumber = report.details.serialNumber;
    visit.assetNumber = report.details.assetNumber;
    visit.customer = report.details.customer;
    visit.site = report.details.site;
    visit.technician = report.technician;
    visit.started = report.started;
    visit.ended = report.ended;
    visit.cardLeft = report.cardLeft;
    visit.asFound = FromReadings(report.asFound);
    visit.asLeft = FromReadings(report.asLeft);  // empty when not read after a change
    visit.asLeftRead = report.asLeftTime.isValid();
    for (const ServiceReport::Finding& finding : report.findings) {
        if (!finding.asFound) {
            visit.findings << finding.text;
        }
    }
    visit.conformity = !visit.findings.isEmpty() ? Conformity::Findings
                       : visit.asLeftRead        ? Conformity::InOrder
                                                 : Conformity::NotRead;
    return visit;
}

QString VisitSummary::ConformityName(Conformity conformity) {
    switch (conformity) {
        case Conformity::InOrder:
            return QStringLiteral("in_order");
        case Conformity::Findings:
            return QStringLiteral("findings");
        case Conformity::NotRead:
            break;
    }
    return QStringLiteral("not_read");
}

VisitSummary::Conformity VisitSummary::ConformityFromName(const QString& name) {
    if (name == QStringLiteral("in_order")) {
        return Conformity::InOrder;
    }
    return name == QStringLiteral("findings") ? Conformity::Findings : Conformity::NotRead;
}
