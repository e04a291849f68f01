#include "report/ServiceReportBuilder.h"

#include <QJsonArray>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <map>

#include "record/AcceptanceLimits.h"
#include "record/CardIdentity.h"
#include "record/ConditionNames.h"
#include "record/ModeConfirmation.h"
#include "record/ReportNumber.h"
#include "record/VisitJudgement.h"

namespace {

using Reading = ServiceReport::Reading;
using SensorReadings = ServiceReport::SensorReadings;

QString Str(const QJsonObject& event, const char* key) {
    return event.value(QLatin1String(key)).toString();
}

QDateTime TimeOf(const QJsonObject& event) {
    return QDateTime::fromString(Str(event, "time"), Qt::ISODateWithMs);
}

QString Number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString ValueText(const QJsonObject& event, int decimals) {
    return Number(event.value(QStringLiteral("value")).toDouble(), decimals) + QLatin1Char(' ') +
           Str(event, "unit");
}

QString ReplyText(const QJsonObject& event) {
    if (event.value(QStringLiteral("no_response")).toBool()) {
        return QStringLiteral("No Response.");
    }
    return Str(event, "reply");
}

// "enabled, trained", or "none", for one sensor of a status reading.
QString StatusText(const QJsonObject& event, int sensor) {
    const QJsonObject conditions = event.value(QStringLiteral("conditions")).toObject();
    QStringList set;
    for (const char* name : visit::kConditionNames) {
        const QJsonArray bits = conditions.value(QLatin1String(name))
                                    .toObject()
                                    .value(QStringLiteral("sensors"))
                                    .toArray();
        if (bits.at(sensor).toBool()) {
            set << QLatin1String(name);
        }
    }
    return set.isEmpty() ? QStringLiteral("none") : set.join(QStringLiteral(", "));
}

// Whether a go-online or go-offline got the answer that says the card is in that mode now.
bool Confirmed(const QJsonObject& event, const char* word) {
    if (event.contains(QStringLiteral("confirmed"))) {
        return event.value(QStringLiteral("confirmed")).toBool();
    }
    // Records made before "confirmed" was kept: judged as the window judges it now.
    return ReplyConfirmsMode(Str(event, "reply"), QLatin1String(word));
}

// "set_voltage" as "Set voltage".
QString Readable(QString kind) {
    kind.replace(QLatin1Char('_'), QLatin1Char(' '));
    if (!kind.isEmpty()) {
        kind[0] = kind[0].toUpper();
    }
    return kind;
}

bool IsSensor(int sensor) {
    return sensor >= 0 && sensor < ServiceReport::kSensorCount;
}

// Events that change what the card holds; one never sent changed nothing.
bool IsChange(const QString& kind, const QJsonObject& event) {
    static const QStringList kChanges{
        QStringLiteral("set_voltage"),     QStringLiteral("set_trip_point"),
        QStringLiteral("set_power_level"), QStringLiteral("adjust_trip_point"),
        QStringLiteral("train_sensor"),    QStringLiteral("restore_training_data"),
        QStringLiteral("sensor_reports")};
    return kChanges.contains(kind) && !event.value(QStringLiteral("not_sent")).toBool();
}

// A survey value: its number with the unit, "No Response." for a query not answered.
std::optional<Reading> SurveyValue(const QJsonObject& sensor, const char* field, const char* query,
                                   const char* unit, int decimals, const QDateTime& time) {
    const QJsonValue value = sensor.value(QLatin1String(field));
    if (value.isDouble()) {
        return Reading{
            Number(value.toDouble(), decimals) + QLatin1Char(' ') + QLatin1String(unit), time, {}};
    }
    if (query != nullptr &&
        sensor.value(QStringLiteral("no_response")).toArray().contains(QLatin1String(query))) {
        return Reading{QStringLiteral("No Response."), time, {}};
    }
    return std::nullopt;
}

std::optional<Reading> SurveyStatus(const QJsonObject& sensor, const QDateTime& time) {
    if (!sensor.value(QStringLiteral("enabled")).isBool()) {
        return std::nullopt;
    }
    QStringList set;
    for (const char* name : visit::kConditionNames) {
        if (sensor.value(QLatin1String(name)).toBool()) {
            set << QLatin1String(name);
        }
    }
    return Reading{
        set.isEmpty() ? QStringLiteral("none") : set.join(QStringLiteral(", ")), time, {}};
}

ServiceReport::Finding ReportFinding(const judgement::Finding& finding) {
    return {finding.sensor, finding.text, finding.rule, false};
}

QString Bounds(const AcceptanceLimits::Range& range, const QString& unit) {
    if (range.min && range.max) {
        return QStringLiteral("%1 %3 to %2 %3")
            .arg(Number(*range.min, 3), Number(*range.max, 3), unit);
    }
    if (range.min) {
        return QStringLiteral("at least %1 %2").arg(Number(*range.min, 3), unit);
    }
    return QStringLiteral("at most %1 %2").arg(Number(range.max.value_or(0.0), 3), unit);
}

// "4.000 to 5.000 V", "at least 4.000 V": a range as the findings word it.
QString LimitsText(const judgement::Verdict& verdict) {
    static constexpr std::array<const char*, AcceptanceLimits::kQuantityCount> kUnits{"V", "mA",
                                                                                      "mA", "mW"};
    const QString unit = QLatin1String(kUnits[static_cast<std::size_t>(verdict.quantity)]);
    const AcceptanceLimits::Range& range = verdict.range;
    if (range.min && range.max) {
        return QStringLiteral("%1 to %2 %3")
            .arg(Number(*range.min, 3), Number(*range.max, 3), unit);
    }
    return Bounds(range, unit);
}

ServiceReport::LimitResult LimitResultOf(const judgement::Verdict& verdict) {
    static constexpr std::array<std::pair<const char*, const char*>,
                                AcceptanceLimits::kQuantityCount>
        kWords{{{"Voltage", "V"}, {"Current", "mA"}, {"Trip point", "mA"}, {"Power level", "mW"}}};
    const auto& [name, unit] = kWords[static_cast<std::size_t>(verdict.quantity)];
    const QString units = QLatin1String(unit);
    return {verdict.sensor,
            QLatin1String(name),
            Number(verdict.value, 3) + QLatin1Char(' ') + units,
            Bounds(verdict.range, units),
            verdict.pass,
            {},
            false};
}

// The largest current a card sends (0xFFFF counts), as the record writes it to 0.001 mA.
constexpr double kHighestMilliamps = 0xFFFF * 0.0003051851 + 0.0005;

bool IsCardCurrent(double milliamps) {
    return std::isfinite(milliamps) && milliamps >= 0.0 && milliamps <= kHighestMilliamps;
}

}  // namespace

ServiceReportBuilder::ServiceReportBuilder() = default;

void ServiceReportBuilder::Add(const QJsonObject& event) {
    const QString kind = Str(event, "event");
    if (AddIssueEvent(kind, event)) {
        return;
    }
    const QDateTime time = TimeOf(event);
    if (time.isValid()) {
        report_.ended = time;
        lastSample_.reset();
    }
    if (kind == QStringLiteral("visit")) {
        AddVisit(event, time);
    } else if (kind == QStringLiteral("notes")) {
        report_.notes = Str(event, "text");
    } else if (kind == QStringLiteral("report_details")) {
        AddDetails(event);
    } else if (kind == QStringLiteral("discovery")) {
        AddDiscovery(event);
        cardConnected_ = true;
    } else if (kind == QStringLiteral("not_found")) {
        cardConnected_ = false;
    } else if (kind == QStringLiteral("exit")) {
        exited_ = true;
    } else if (kind == QStringLiteral("acceptance_limits")) {
        recordedLimits_ = AcceptanceLimits::FromRecord(event, recordedLimitsError_);
        if (recordedLimits_ || event.value(QStringLiteral("none")).toBool()) {
            recordedLimitsError_.clear();
        }
    } else if (event.value(QStringLiteral("at_exit")).toBool()) {
        AddExitGoOnline(event, time);
    } else if (event.value(QStringLiteral("not_sent")).toBool()) {
        AddUnsent(kind, time);
    } else if (kind.startsWith(QStringLiteral("query_")) || kind == QStringLiteral("power_level") ||
               kind == QStringLiteral("status")) {
        AddReading(kind, event, time);
    } else if (kind == QStringLiteral("survey")) {
        AddSurvey(event, time);
    } else if (kind.startsWith(QStringLiteral("dump_"))) {
        AddDump(kind, event, time);
    } else if (kind.startsWith(QStringLiteral("timing_test_"))) {
        AddTimingTest(kind, event, time);
    } else if (kind.startsWith(QStringLiteral("line_"))) {
        AddLineEvent(kind, event, time);
    } else if (kind == QStringLiteral("late_reply")) {
        report_.unanswered.push_back(
            {time, QStringLiteral("Late reply dropped"), {}, Str(event, "text")});
    } else if (kind == QStringLiteral("refused")) {
        report_.unanswered.push_back(
            {time, QStringLiteral("%1 refused").arg(Readable(Str(event, "command"))), {}, {}});
    } else {
        AddChange(kind, event, time);
    }
    if (IsChange(kind, event)) {
        NoteChange(time);
    }
    if (event.value(QStringLiteral("no_response")).toBool()) {
        report_.unanswered.push_back({time, Readable(kind), {}, QStringLiteral("No Response.")});
    }
}

void ServiceReportBuilder::AddVisit(const QJsonObject& event, const QDateTime& time) {
    report_.started = time;
    report_.programVersion = Str(event, "program_version");
    report_.user = Str(event, "user");
    report_.host = Str(event, "host");
    report_.reportNumber = Str(event, "report_number");
    if (report_.reportNumber.isEmpty()) {
        // Records made before the number was kept: one derived from what they hold.
        report_.reportNumber = ReportNumber::Derived(time, report_.host);
    }
}

void ServiceReportBuilder::AddDetails(const QJsonObject& event) {
    ServiceReport::Details& details = report_.details;
    details.model = Str(event, "model");
    details.serialNumber = Str(event, "serial_number");
    details.assetNumber = Str(event, "asset_number");
    details.customer = Str(event, "customer");
    details.site = Str(event, "site");
    details.reason = Str(event, "reason");
    details.contact = Str(event, "contact");
    technician_ = Str(event, "technician");
}

// Who issues the report, its authorisation and the documents issued: recorded during the
// visit or added after its end, they leave the visit's times alone.
bool ServiceReportBuilder::AddIssueEvent(const QString& kind, const QJsonObject& event) {
    if (kind == QStringLiteral("issuer")) {
        report_.issuer = Issuer::FromFields(event);
    } else if (kind == QStringLiteral("authorisation")) {
        report_.authorisation = Authorisation::FromEvent(event);
    } else if (kind == QStringLiteral("report_issued")) {
        report_.issues.push_back(ReportIssues::FromEvent(event));
    } else {
        return false;
    }
    return true;
}

void ServiceReportBuilder::FillMethod(ServiceReport& report) const {
    const AcceptanceLimits* limits = Limits();
    const AcceptanceLimits::Method* method =
        limits != nullptr ? limits->MethodForModel(report.details.model) : nullptr;
    const bool fromLimits = method != nullptr && !method->procedure.isEmpty();
    report.procedure = fromLimits ? method->procedure : report.issuer.procedure;
    report.procedureRevision =
        fromLimits ? method->procedureRevision : report.issuer.procedureRevision;
    report.uncertainty = method != nullptr ? method->uncertainty : QString();
}

void ServiceReportBuilder::AddUnsent(const QString& kind, const QDateTime& time) {
    report_.unanswered.push_back({time, QStringLiteral("%1 not sent").arg(Readable(kind)), {}, {}});
}

void ServiceReportBuilder::AddExitGoOnline(const QJsonObject& event, const QDateTime& time) {
    const QString reply = Str(event, "reply");
    if (event.value(QStringLiteral("not_sent")).toBool()) {
        AddUnsent(Str(event, "event"), time);
        report_.cardLeft =
            event.value(QStringLiteral("reply_pending")).toBool()
                ? QStringLiteral(
                      "Not put back online: a reply was still pending at exit, so the go online "
                      "was not sent.")
                : QStringLiteral("Not put back online: the go online could not be sent at exit.");
    } else if (event.value(QStringLiteral("no_response")).toBool()) {
        report_.cardLeft = QStringLiteral("Not known: no reply to the go online at exit.");
    } else if (!Confirmed(event, "ONLINE")) {
        AddUnconfirmed(event, time, QStringLiteral("Go online at exit"));
        report_.cardLeft =
            QStringLiteral("Not known: the go online at exit was answered with \"%1\".").arg(reply);
    } else {
        report_.changes.push_back(
            {time, QStringLiteral("Card put back online at exit"), {}, reply});
        report_.cardLeft = QStringLiteral("Put back online at exit: %1").arg(reply);
    }
}

void ServiceReportBuilder::AddDiscovery(const QJsonObject& event) {
    report_.port = Str(event, "port");
    report_.device = Str(event, "device");
    report_.identity = CardIdentity(event.value(QStringLiteral("lines")).toArray());
}

void ServiceReportBuilder::AddLineEvent(const QString& kind, const QJsonObject& event,
                                        const QDateTime& time) {
    std::vector<ServiceReport::LineBreak>& breaks = report_.lineBreaks;
    if (kind == QStringLiteral("line_lost")) {
        breaks.push_back({time, {}, Str(event, "device"), {}});
    } else if (kind == QStringLiteral("line_back") && !breaks.empty() &&
               !breaks.back().back.isValid()) {
        breaks.back().back = time;
        breaks.back().backDevice = Str(event, "device");
    }
}

void ServiceReportBuilder::Note(int sensor, Slot slot, const Reading& reading) {
    if (!IsSensor(sensor)) {
        return;
    }
    std::optional<Reading>& found = firstReadings_[sensor].*slot;
    if (!found) {
        found = reading;
    }
    lastReadings_[sensor].*slot = reading;
}

void ServiceReportBuilder::AddReading(const QString& kind, const QJsonObject& event,
                                      const QDateTime& time) {
    if (event.value(QStringLiteral("no_response")).toBool()) {
        return;
    }
    const int sensor = event.value(QStringLiteral("sensor")).toInt(-1);
    if (kind == QStringLiteral("status")) {
        if (!event.contains(QStringLiteral("conditions"))) {
            return;
        }
        for (int s = 0; s < ServiceReport::kSensorCount; ++s) {
            Note(s, &SensorReadings::status, {StatusText(event, s), time, {}});
        }
    } else if (kind == QStringLiteral("query_voltage")) {
        Note(sensor, &SensorReadings::voltage, {ValueText(event, 3), time, {}});
        Know(sensor, &Known::voltage, ValueText(event, 3));
    } else if (kind == QStringLiteral("query_current")) {
        Note(sensor, &SensorReadings::current, {ValueText(event, 3), time, {}});
    } else if (kind == QStringLiteral("query_trip_point")) {
        const QString text = event.value(QStringLiteral("not_trained")).toBool()
                                 ? QStringLiteral("Not Trained")
                                 : ValueText(event, 3);
        Note(sensor, &SensorReadings::tripPoint, {text, time, {}});
        Know(sensor, &Known::tripPoint, text);
    } else if (kind == QStringLiteral("power_level") && HasVoltageAndCurrent(sensor)) {
        // Older records keep the power levels the window showed before both were read.
        Note(sensor, &SensorReadings::powerLevel, {ValueText(event, 1), time, {}});
    }
}

void ServiceReportBuilder::AddSurvey(const QJsonObject& event, const QDateTime& time) {
    if (event.value(QStringLiteral("cancelled")).toBool()) {
        return;
    }
    judged_.append(event);
    const Survey survey{judged_.size() - 1, time};
    if (!firstSurvey_) {
        firstSurvey_ = survey;
        firstSurveyBeforeChange_ = !beforeFirstChange_;
    }
    lastSurvey_ = survey;
    changedSinceLastSurvey_ = false;
    for (const QJsonValue& value : event.value(QStringLiteral("sensors")).toArray()) {
        const QJsonObject sensor = value.toObject();
        const int index = sensor.value(QStringLiteral("sensor")).toInt(-1);
        if (!IsSensor(index)) {
            continue;
        }
        if (sensor.value(QStringLiteral("volts")).isDouble()) {
            Know(
                index, &Known::voltage,
                Number(sensor.value(QStringLiteral("volts")).toDouble(), 3) + QStringLiteral(" V"));
        }
        if (sensor.value(QStringLiteral("not_trained")).toBool()) {
            Know(index, &Known::tripPoint, QStringLiteral("Not Trained"));
        } else if (sensor.value(QStringLiteral("trip_point_milliamps")).isDouble()) {
            Know(index, &Known::tripPoint,
                 Number(sensor.value(QStringLiteral("trip_point_milliamps")).toDouble(), 3) +
                     QStringLiteral(" mA"));
        }
    }
}

bool ServiceReportBuilder::HasVoltageAndCurrent(int sensor) const {
    return IsSensor(sensor) && lastReadings_[sensor].voltage && lastReadings_[sensor].current;
}

void ServiceReportBuilder::Know(int sensor, QString Known::*value, const QString& text) {
    if (IsSensor(sensor)) {
        known_[sensor].*value = text;
    }
}

QString ServiceReportBuilder::Before(QString Known::*value, int sensor) const {
    return IsSensor(sensor) ? known_[sensor].*value : QString();
}

void ServiceReportBuilder::NoteChange(const QDateTime& time) {
    if (!beforeFirstChange_) {
        beforeFirstChange_ = firstReadings_;
    }
    lastChange_ = time;
    changedSinceLastSurvey_ = true;
}

void ServiceReportBuilder::AddChange(const QString& kind, const QJsonObject& event,
                                     const QDateTime& time) {
    const int sensor = event.value(QStringLiteral("sensor")).toInt(-1);
    const QString all = event.value(QStringLiteral("all_sensors")).toBool()
                            ? QStringLiteral(" (all sensors)")
                            : QString();
    ServiceReport::Change change{time, {}, {}, ReplyText(event)};
    const bool answered = event.contains(QStringLiteral("reply"));
    if (kind == QStringLiteral("set_voltage")) {
        change.what = QStringLiteral("Voltage of sensor %1 set to %2 (code %3)%4")
                          .arg(sensor)
                          .arg(ValueText(event, 3), Str(event, "code"), all);
        change.before = Before(&Known::voltage, sensor);
        judged_.append(event);
        if (answered) {
            Know(sensor, &Known::voltage, ValueText(event, 3));
        }
    } else if (kind == QStringLiteral("set_trip_point")) {
        change.what = QStringLiteral("Trip point of sensor %1 set to %2 (code %3)%4")
                          .arg(sensor)
                          .arg(ValueText(event, 3), Str(event, "code"), all);
        change.before = Before(&Known::tripPoint, sensor);
        judged_.append(event);
        if (answered) {
            Know(sensor, &Known::tripPoint, ValueText(event, 3));
        }
    } else if (kind == QStringLiteral("set_power_level")) {
        change.what = QStringLiteral("Target power level set to %1 (code %2)")
                          .arg(ValueText(event, 1), Str(event, "code"));
        change.before = lastPowerLevel_;
        lastPowerLevel_ = ValueText(event, 1);
    } else if (kind == QStringLiteral("adjust_trip_point")) {
        change.what = QStringLiteral("Trip point of sensor %1 adjusted").arg(sensor);
        change.before = Before(&Known::tripPoint, sensor);
    } else if (kind == QStringLiteral("train_sensor")) {
        change.what = QStringLiteral("Training of sensor %1 started").arg(sensor);
        change.before = Before(&Known::tripPoint, sensor);
    } else if (kind == QStringLiteral("training_end")) {
        change.what = QStringLiteral("Training ended");
    } else if (kind == QStringLiteral("save_training_data")) {
        change.what = QStringLiteral("Training data saved to bin %1")
                          .arg(event.value(QStringLiteral("bin")).toInt());
    } else if (kind == QStringLiteral("restore_training_data")) {
        change.what = QStringLiteral("Training data restored from bin %1")
                          .arg(event.value(QStringLiteral("bin")).toInt());
    } else if (kind == QStringLiteral("sensor_reports")) {
        change.what =
            QStringLiteral("Sensor reports %1, %2 tube")
                .arg(event.value(QStringLiteral("enable")).toBool() ? QStringLiteral("enabled")
                                                                    : QStringLiteral("disabled"),
                     Str(event, "tube"));
        change.reply = Str(event, "response");
    } else if (kind == QStringLiteral("go_offline")) {
        const bool takeUp = event.value(QStringLiteral("line_take_up")).toBool();
        if (!Confirmed(event, "OFFLINE")) {
            AddUnconfirmed(event, time,
                           takeUp ? QStringLiteral("Go offline on the line's return")
                                  : QStringLiteral("Go offline"));
            return;
        }
        change.what = takeUp ? QStringLiteral("Card taken offline on the line's return")
                             : QStringLiteral("Card taken offline");
    } else if (kind == QStringLiteral("go_online")) {
        if (!Confirmed(event, "ONLINE")) {
            AddUnconfirmed(event, time, QStringLiteral("Go online"));
            return;
        }
        change.what = QStringLiteral("Card put online");
    } else {
        return;  // progress, exit and kinds this version does not know
    }
    report_.changes.push_back(change);
}

// A reply that came but did not say what was asked; none at all is among the unanswered.
void ServiceReportBuilder::AddUnconfirmed(const QJsonObject& event, const QDateTime& time,
                                          const QString& what) {
    if (!event.value(QStringLiteral("no_response")).toBool()) {
        report_.unconfirmed.push_back({time, what, {}, Str(event, "reply")});
    }
}

void ServiceReportBuilder::AddDump(const QString& kind, const QJsonObject& event,
                                   const QDateTime& time) {
    if (kind == QStringLiteral("dump_start")) {
        ServiceReport::Dump dump;
        dump.tube = Str(event, "tube");
        dump.firstSensor = dump.tube == QStringLiteral("right") ? 4 : 0;
        dump.start = time;
        dump.spreadLimit = event.value(QStringLiteral("spread_limit")).toDouble();
        if (!std::isfinite(dump.spreadLimit)) {
            dump.spreadLimit = 0.0;
            ++damagedValues_;
        }
        dump.file = Str(event, "file");
        dumpStartMsecs_ = time.toMSecsSinceEpoch();
        report_.dumps.push_back(dump);
        return;
    }
    if (kind == QStringLiteral("dump_end")) {
        judged_.append(event);
    }
    if (report_.dumps.empty() || report_.dumps.back().ended) {
        return;
    }
    ServiceReport::Dump& dump = report_.dumps.back();
    if (kind == QStringLiteral("dump_sample")) {
        std::array<double, CurrentRow::kColumns> milliamps{};
        const QJsonArray currents = event.value(QStringLiteral("milliamps")).toArray();
        for (int c = 0; c < CurrentRow::kColumns; ++c) {
            milliamps[c] = currents.at(c).toDouble();
        }
        AddDumpSample(time.toMSecsSinceEpoch(), milliamps);
    } else if (kind == QStringLiteral("dump_end")) {
        dump.ended = true;
        dump.end = time;
        dump.samples = event.value(QStringLiteral("samples")).toInt(dump.samples);
        const QJsonArray maximum = event.value(QStringLiteral("max")).toArray();
        const QJsonArray minimum = event.value(QStringLiteral("min")).toArray();
        const QJsonArray lamps = event.value(QStringLiteral("lamps_lit")).toArray();
        for (int c = 0; c < CurrentRow::kColumns; ++c) {
            dump.maximum[c] = maximum.at(c).toDouble();
            dump.minimum[c] = minimum.at(c).toDouble();
            dump.lampLit[c] = lamps.at(c).toBool();
            // Extremes no card can give are the samples' instead.
            if (!IsCardCurrent(dump.maximum[c]) || !IsCardCurrent(dump.minimum[c])) {
                dump.maximum[c] = dump.rows.Maximum()[c];
                dump.minimum[c] = dump.rows.Minimum()[c];
                ++damagedValues_;
            }
        }
    }
}

void ServiceReportBuilder::Add(const SampleLine& sample) {
    lastSample_ = sample;
    AddDumpSample(sample.MSecsSinceEpoch(), sample.Milliamps());
}

void ServiceReportBuilder::AddDumpSample(qint64 msecsSinceEpoch,
                                         const std::array<double, CurrentRow::kColumns>& mA) {
    if (report_.dumps.empty() || report_.dumps.back().ended) {
        return;
    }
    if (!std::all_of(mA.begin(), mA.end(), IsCardCurrent)) {
        ++damagedSamples_;
        return;
    }
    ServiceReport::Dump& dump = report_.dumps.back();
    dump.rows.push_back({static_cast<double>(msecsSinceEpoch - dumpStartMsecs_) / 1000.0, mA});
    dump.samples = static_cast<int>(dump.rows.size());
}

void ServiceReportBuilder::AddTimingTest(const QString& kind, const QJsonObject& event,
                                         const QDateTime& time) {
    if (kind == QStringLiteral("timing_test_start")) {
        timingStart_ = time;
        return;
    }
    // When its clock started; records without it have the dialog's opening.
    const QDateTime clockStarted =
        QDateTime::fromString(Str(event, "clock_started"), Qt::ISODateWithMs);
    ServiceReport::TimingTest test{
        Str(event, "tube"), clockStarted.isValid() ? clockStarted : timingStart_, time, {}};
    for (const QJsonValue& row : event.value(QStringLiteral("rows")).toArray()) {
        ServiceReport::TimingTest::Row cells;
        cells.interval = row.toObject().value(QStringLiteral("interval")).toString();
        const QJsonArray readings = row.toObject().value(QStringLiteral("readings")).toArray();
        for (int slot = 0; slot < 4; ++slot) {
            cells.readings[slot] = readings.at(slot).toString();
        }
        test.rows.push_back(cells);
    }
    report_.timingTests.push_back(test);
}

ServiceReportBuilder::Readings ServiceReportBuilder::SurveyReadings(const Survey& survey) const {
    Readings readings;
    const QJsonObject& event = judged_[survey.judgedIndex];
    const QDateTime& time = survey.time;
    for (const QJsonValue& value : event.value(QStringLiteral("sensors")).toArray()) {
        const QJsonObject sensor = value.toObject();
        const int index = sensor.value(QStringLiteral("sensor")).toInt(-1);
        if (!IsSensor(index)) {
            continue;
        }
        SensorReadings& cells = readings[index];
        cells.voltage = SurveyValue(sensor, "volts", "voltage", "V", 3, time);
        cells.current = SurveyValue(sensor, "milliamps", "current", "mA", 3, time);
        cells.tripPoint =
            sensor.value(QStringLiteral("not_trained")).toBool()
                ? std::optional<Reading>(Reading{QStringLiteral("Not Trained"), time, {}})
                : SurveyValue(sensor, "trip_point_milliamps", "trip_point", "mA", 3, time);
        cells.powerLevel = SurveyValue(sensor, "power_milliwatts", nullptr, "mW", 1, time);
        cells.status = SurveyStatus(sensor, time);
    }
    return readings;
}

QString ServiceReportBuilder::TimeText(const ServiceReport& report, const QDateTime& time) const {
    // As the report writes the times of its events: the date too when the visit went past
    // midnight.
    return report.started.date() != report.ended.date()
               ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
               : time.toString(QStringLiteral("HH:mm:ss"));
}

void ServiceReportBuilder::FillFoundAndLeft(ServiceReport& report) const {
    if (!firstSurvey_) {
        // No survey in the visit (and none in records made before there were surveys): each
        // value's first and last reading.
        report.asFound = firstReadings_;
        report.asLeft = lastReadings_;
        return;
    }
    if (firstSurveyBeforeChange_) {
        report.asFound = SurveyReadings(*firstSurvey_);
        report.asFoundSurveyed = true;
        report.asFoundTime = firstSurvey_->time;
    } else {
        report.asFound = beforeFirstChange_.value_or(Readings{});
    }
    if (changedSinceLastSurvey_) {
        report.asLeftNote = QStringLiteral("As left not read after the change at %1.")
                                .arg(TimeText(report, lastChange_));
        return;
    }
    report.asLeft = SurveyReadings(*lastSurvey_);
    report.asLeftTime = lastSurvey_->time;
}

const AcceptanceLimits* ServiceReportBuilder::Limits() const {
    if (limits_ != nullptr && limitsOverRecord_) {
        return limits_;
    }
    if (recordedLimits_) {
        return &*recordedLimits_;
    }
    // Damaged limits in the record: none other stands in for them.
    return recordedLimitsError_.isEmpty() ? limits_ : nullptr;
}

void ServiceReportBuilder::FillLimitResults(const judgement::Conformity& conformity,
                                            ServiceReport& report) const {
    const AcceptanceLimits* limits = Limits();
    if (!conformity.limitsApplied) {
        return;
    }
    report.decisionRule = limits->DecisionRule();
    report.limitsFile = limits->FileName();
    report.limitsSha256 = limits->Sha256();
    // One row per sensor and quantity, in that order.
    std::map<std::pair<int, AcceptanceLimits::Quantity>, ServiceReport::LimitResult> rows;
    for (const judgement::Verdict& verdict : conformity.leftVerdicts) {
        rows[{verdict.sensor, verdict.quantity}] = LimitResultOf(verdict);
    }
    for (const judgement::Verdict& verdict : conformity.foundVerdicts) {
        ServiceReport::LimitResult& row = rows[{verdict.sensor, verdict.quantity}];
        if (row.quantity.isEmpty()) {
            row = LimitResultOf(verdict);
            row.value.clear();
            row.pass = false;
        }
        row.foundValue = LimitResultOf(verdict).value;
        row.foundPass = verdict.pass;
    }
    for (auto& [key, row] : rows) {
        report.limitResults.push_back(std::move(row));
    }
}

QString ServiceReportBuilder::FoundSentence(const judgement::Conformity& conformity) const {
    if (!conformity.limitsApplied) {
        return {};
    }
    if (!firstSurveyBeforeChange_) {
        return QStringLiteral(
            "As found: not judged: the card was not surveyed before the first "
            "change.");
    }
    QStringList outside;
    for (const judgement::Conformity::Found& found : conformity.asFound) {
        if (found.verdict < 0) {
            continue;
        }
        const ServiceReport::LimitResult result =
            LimitResultOf(conformity.foundVerdicts[found.verdict]);
        QString item = QStringLiteral("sensor %1: %2 %3, limits %4")
                           .arg(result.sensor)
                           .arg(result.quantity.toLower(), result.value,
                                LimitsText(conformity.foundVerdicts[found.verdict]));
        if (found.mended) {
            item += QStringLiteral(", mended by this visit");
        }
        outside << item;
    }
    if (outside.isEmpty()) {
        return QStringLiteral("As found: within tolerance.");
    }
    return QStringLiteral("As found: out of tolerance (%1).")
        .arg(outside.join(QStringLiteral("; ")));
}

void ServiceReportBuilder::ShowSettings(const std::vector<judgement::Finding>& findings,
                                        ServiceReport& report) const {
    for (const judgement::Finding& finding : findings) {
        const bool voltage = finding.kind == QStringLiteral("voltage_differs");
        if (!IsSensor(finding.sensor) ||
            (!voltage && finding.kind != QStringLiteral("trip_point_differs"))) {
            continue;
        }
        const QString setKind =
            voltage ? QStringLiteral("set_voltage") : QStringLiteral("set_trip_point");
        std::optional<Reading>& cell = voltage ? report.asLeft[finding.sensor].voltage
                                               : report.asLeft[finding.sensor].tripPoint;
        for (qsizetype i = lastSurvey_->judgedIndex - 1; i >= 0 && cell; --i) {
            const QJsonObject& set = judged_[i];
            if (Str(set, "event") == setKind &&
                set.value(QStringLiteral("sensor")).toInt(-1) == finding.sensor) {
                cell->setting = ValueText(set, 3);
                break;
            }
        }
    }
}

void ServiceReportBuilder::FillFindings(ServiceReport& report) const {
    const bool surveyedLeft = lastSurvey_ && !changedSinceLastSurvey_;
    const qsizetype foundIndex =
        firstSurvey_ && firstSurveyBeforeChange_ ? firstSurvey_->judgedIndex : -1;
    const judgement::Conformity conformity = judgement::JudgeConformity(
        judged_, foundIndex, surveyedLeft ? lastSurvey_->judgedIndex : -1, Limits(),
        report.details.model);
    FillLimitResults(conformity, report);
    if (surveyedLeft) {
        ShowSettings(conformity.asLeft, report);
    }
    report.rules = conformity.rules;
    // As found first, then As left and the dumps, as the summary tells them. One survey both
    // found and left the card: its findings are said once, as left.
    const bool oneSurvey = surveyedLeft && foundIndex == lastSurvey_->judgedIndex;
    for (const judgement::Conformity::Found& found : conformity.asFound) {
        if (oneSurvey) {
            break;
        }
        ServiceReport::Finding finding = ReportFinding(found.finding);
        finding.text = QStringLiteral("As found: ") + finding.text;
        finding.asFound = true;
        if (found.mended) {
            finding.text += QStringLiteral(" Mended by this visit.");
        }
        report.findings.push_back(finding);
    }
    QStringList texts;
    for (const auto* findings : {&conformity.asLeft, &conformity.dumps}) {
        for (const judgement::Finding& finding : *findings) {
            report.findings.push_back(ReportFinding(finding));
            texts << finding.text;
        }
    }
    if (surveyedLeft) {
        std::array<bool, ServiceReport::kSensorCount> inOrder;
        inOrder.fill(true);
        for (const judgement::Finding& finding : conformity.asLeft) {
            if (IsSensor(finding.sensor)) {
                inOrder[finding.sensor] = false;
            }
        }
        texts.prepend(QStringLiteral("As left: %1 of %2 sensors in order.")
                          .arg(std::count(inOrder.begin(), inOrder.end(), true))
                          .arg(ServiceReport::kSensorCount));
    } else if (lastSurvey_) {
        texts.prepend(report.asLeftNote);
    } else {
        texts.prepend(QStringLiteral(
            "The card was not surveyed in this visit (\"Read All Sensors\"): its condition is "
            "not stated."));
    }
    if (const QString found = FoundSentence(conformity); lastSurvey_ && !found.isEmpty()) {
        texts.prepend(found);
    }
    report.summary = texts.join(QLatin1Char(' '));
}

ServiceReport ServiceReportBuilder::Report(const QStringList& readNotes) const {
    ServiceReport report = report_;
    if (lastSample_) {
        report.ended = lastSample_->Time();
    }
    report.readNotes = readNotes;
    report.technician = technician_.isEmpty() ? report.user : technician_;
    if (report.cardLeft.isEmpty()) {
        if (!exited_) {
            report.cardLeft = QStringLiteral("Not known: the record has no exit.");
        } else if (!cardConnected_) {
            report.cardLeft = QStringLiteral("No card was connected.");
        } else {
            report.cardLeft = QStringLiteral("Not recorded.");
        }
    }
    FillFoundAndLeft(report);
    FillFindings(report);
    if (const AcceptanceLimits* limits = Limits(); limits != nullptr) {
        if (const std::optional<double> spread = limits->SpreadLimit(report.details.model)) {
            for (ServiceReport::Dump& dump : report.dumps) {
                dump.lampSpreadLimit = dump.spreadLimit;
                dump.spreadLimit = *spread;
            }
        }
    }
    if (!recordedLimitsError_.isEmpty() && !(limits_ != nullptr && limitsOverRecord_)) {
        report.readNotes << recordedLimitsError_ +
                                QStringLiteral(" No value is judged against acceptance limits.");
    }
    FillMethod(report);
    if (damagedSamples_ > 0) {
        report.readNotes << QStringLiteral(
                                "Dump samples left out, their currents being such as no card "
                                "sends (below 0 or above 20.000 mA): %1.")
                                .arg(damagedSamples_);
    }
    if (damagedValues_ > 0) {
        report.readNotes << QStringLiteral(
                                "Damaged dump limits or extremes: %1. The samples' extremes are "
                                "shown in their place, and no limit for a damaged one.")
                                .arg(damagedValues_);
    }
    if (report.notes.size() > ServiceReport::kNotesLimit) {
        report.notes.truncate(ServiceReport::kNotesLimit);
        report.readNotes << QStringLiteral(
                                "The notes are longer than %1 characters; the rest is left out.")
                                .arg(
                                    QLocale(QLocale::English).toString(ServiceReport::kNotesLimit));
    }
    return report;
}
