#include "record/VisitJudgement.h"

#include <QJsonArray>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>

#include "protocol/ReplyDecoding.h"

namespace judgement {

namespace {

const QString kStatusRule = QStringLiteral(
    "The card's status reports the sensor shorted, open or covered, or not enabled or not "
    "trained.");
const QString kReadBackRule = QStringLiteral(
    "A value read back differs from the value set in this visit by more than one code step "
    "(0.002442 V for a voltage, 0.0003051851 mA for a trip point).");
const QString kSpreadRule = QStringLiteral(
    "A sensor's spread in a dump (its largest less its smallest current) exceeded the "
    "acceptable limit.");
const QString kLaboratorySpreadRule = QStringLiteral(
    "A sensor's spread in a dump (its largest less its smallest current) exceeded the "
    "laboratory's limit for the model.");
const QString kNoResponseRule =
    QStringLiteral("A value the card did not send within the reply wait of its query.");
const QString kUnreadableRule = QStringLiteral(
    "A line came in place of a value and has not the shape of its answer: it is not read as a "
    "value.");
const QString kNotSentRule =
    QStringLiteral("A query that never went out: the line was lost or the card did not answer.");

struct Condition {
    const char* field;
    bool findingWhen;
    const char* kind;
    const char* words;
};

constexpr std::array<Condition, 5> kConditions{{
    {"shorted", true, "shorted", "shorted"},
    {"opened", true, "opened", "open"},
    {"covered", true, "covered", "covered"},
    {"enabled", false, "not_enabled", "not enabled"},
    {"trained", false, "not_trained", "not trained"},
}};

struct Setting {
    const char* event;
    const char* reply;
    const char* kind;
    const char* name;
    const char* unit;
    bool cardMayChangeIt;  // by the commands in kCardSetsTripPoint
};

constexpr std::array<Setting, 2> kSettings{{
    {"set_voltage", "voltage", "voltage_differs", "voltage", "V", false},
    {"set_trip_point", "trip_point", "trip_point_differs", "trip point", "mA", true},
}};

// Commands after which the card holds a trip point of its own making: for the sensor the event
// names, or for every sensor when it names none (a restored bin).
constexpr std::array<const char*, 3> kCardSetsTripPoint{"adjust_trip_point", "train_sensor",
                                                        "restore_training_data"};

constexpr std::array<const char*, 3> kQueries{"voltage", "current", "trip_point"};

QString SensorText(int sensor, const QString& what) {
    return QStringLiteral("Sensor %1: %2.").arg(sensor).arg(what);
}

QString Fixed(double value) {
    return QString::fromStdString(protocol::FormatFixed(value, 3));
}

bool IsCompleteSurvey(const QJsonObject& event) {
    return event.value(QStringLiteral("event")).toString() == QStringLiteral("survey") &&
           !event.value(QStringLiteral("cancelled")).toBool();
}

bool CardSetItself(const QJsonObject& event, int sensor) {
    const QString kind = event.value(QStringLiteral("event")).toString();
    const QJsonValue named = event.value(QStringLiteral("sensor"));
    return std::any_of(kCardSetsTripPoint.begin(), kCardSetsTripPoint.end(),
                       [&](const char* command) { return kind == QLatin1String(command); }) &&
           !event.value(QStringLiteral("not_sent")).toBool() &&
           (named.isUndefined() || named.toInt(-1) == sensor);
}

// The last setting of that kind for the sensor before the given event; none when the card
// has since set the value itself.
std::optional<QJsonObject> LastSetting(const QList<QJsonObject>& events, qsizetype before,
                                       const Setting& setting, int sensor) {
    for (qsizetype i = before - 1; i >= 0; --i) {
        const QJsonObject& event = events[i];
        if (setting.cardMayChangeIt && CardSetItself(event, sensor)) {
            return std::nullopt;
        }
        if (event.value(QStringLiteral("event")).toString() == QLatin1String(setting.event) &&
            event.value(QStringLiteral("sensor")).toInt(-1) == sensor &&
            event.contains(QStringLiteral("code"))) {
            return event;
        }
    }
    return std::nullopt;
}

void JudgeStatus(const QJsonObject& sensor, int index, std::vector<Finding>& findings) {
    for (const Condition& condition : kConditions) {
        const QJsonValue value = sensor.value(QLatin1String(condition.field));
        if (value.isBool() && value.toBool() == condition.findingWhen) {
            findings.push_back({QLatin1String(condition.kind), index,
                                SensorText(index, QLatin1String(condition.words)), kStatusRule});
        }
    }
}

QString QueryName(const char* query) {
    return QString::fromLatin1(query).replace(QLatin1Char('_'), QLatin1Char(' '));
}

void JudgeMissing(const QJsonObject& sensor, int index, std::vector<Finding>& findings) {
    const QJsonArray missing = sensor.value(QStringLiteral("no_response")).toArray();
    const QJsonArray notSent = sensor.value(QStringLiteral("not_sent")).toArray();
    const QJsonObject unreadable = sensor.value(QStringLiteral("unreadable")).toObject();
    for (const char* query : kQueries) {
        const QString name = QueryName(query);
        if (missing.contains(QLatin1String(query))) {
            findings.push_back({QStringLiteral("no_response"), index,
                                SensorText(index, name + QStringLiteral(" did not come")),
                                kNoResponseRule});
        } else if (unreadable.contains(QLatin1String(query))) {
            findings.push_back(
                {QStringLiteral("unreadable"), index,
                 SensorText(index,
                            QStringLiteral("%1 reply unreadable (\"%2\")")
                                .arg(name, unreadable.value(QLatin1String(query)).toString())),
                 kUnreadableRule});
        } else if (notSent.contains(QLatin1String(query))) {
            findings.push_back({QStringLiteral("not_sent"), index,
                                SensorText(index, name + QStringLiteral(" not asked")),
                                kNotSentRule});
        }
    }
}

void JudgeReadBack(const QList<QJsonObject>& events, qsizetype surveyIndex,
                   const QJsonObject& sensor, int index, std::vector<Finding>& findings) {
    const QJsonObject replies = sensor.value(QStringLiteral("replies")).toObject();
    for (const Setting& setting : kSettings) {
        const QJsonValue reply = replies.value(QLatin1String(setting.reply));
        const std::optional<QJsonObject> set = LastSetting(events, surveyIndex, setting, index);
        if (!set || !reply.isString() || protocol::IsNotTrained(reply.toString().toStdString())) {
            continue;
        }
        const std::string readText = reply.toString().toStdString();
        const std::int32_t readCode = protocol::HexReplyValue(readText);
        const std::int32_t setCode =
            protocol::HexReplyValue(set->value(QStringLiteral("code")).toString().toStdString());
        if (std::abs(static_cast<std::int64_t>(readCode) - setCode) <= 1) {
            continue;
        }
        const double read = std::string_view(setting.reply) == "voltage"
                                ? protocol::VoltsFromReply(readText)
                                : protocol::MilliampsFromReply(readText);
        const QString unit = QLatin1String(setting.unit);
        findings.push_back(
            {QLatin1String(setting.kind), index,
             SensorText(index, QStringLiteral("%1 differs from its setting (set %2 %3, read %4 %3)")
                                   .arg(QLatin1String(setting.name),
                                        Fixed(set->value(QStringLiteral("value")).toDouble()), unit,
                                        Fixed(read))),
             kReadBackRule});
    }
}

}  // namespace

std::vector<Finding> SurveyFindings(const QList<QJsonObject>& events, qsizetype surveyIndex) {
    std::vector<Finding> findings;
    if (surveyIndex < 0 || surveyIndex >= events.size() || !IsCompleteSurvey(events[surveyIndex])) {
        return findings;
    }
    const QJsonObject& survey = events[surveyIndex];
    if (survey.value(QStringLiteral("status_no_response")).toBool()) {
        findings.push_back({QStringLiteral("no_response"), -1,
                            QStringLiteral("Status did not come."), kNoResponseRule});
    } else if (const QJsonValue unreadable = survey.value(QStringLiteral("status_unreadable"));
               unreadable.isString()) {
        findings.push_back(
            {QStringLiteral("unreadable"), -1,
             QStringLiteral("Status reply unreadable (\"%1\").").arg(unreadable.toString()),
             kUnreadableRule});
    }
    const QJsonArray sensors = survey.value(QStringLiteral("sensors")).toArray();
    for (const QJsonValue& value : sensors) {
        const QJsonObject sensor = value.toObject();
        const int index = sensor.value(QStringLiteral("sensor")).toInt(-1);
        JudgeStatus(sensor, index, findings);
        JudgeMissing(sensor, index, findings);
        JudgeReadBack(events, surveyIndex, sensor, index, findings);
    }
    return findings;
}

std::vector<Finding> DumpFindings(const QList<QJsonObject>& events,
                                  std::optional<double> laboratoryLimit) {
    std::vector<Finding> findings;
    const QString& rule = laboratoryLimit ? kLaboratorySpreadRule : kSpreadRule;
    for (const QJsonObject& event : events) {
        if (event.value(QStringLiteral("event")).toString() != QStringLiteral("dump_end")) {
            continue;
        }
        const double limit =
            laboratoryLimit.value_or(event.value(QStringLiteral("spread_limit")).toDouble());
        const QJsonArray maxima = event.value(QStringLiteral("max")).toArray();
        const QJsonArray minima = event.value(QStringLiteral("min")).toArray();
        const int firstSensor =
            event.value(QStringLiteral("tube")).toString() == QStringLiteral("right") ? 4 : 0;
        for (qsizetype column = 0; column < maxima.size() && column < minima.size(); ++column) {
            const double spread = maxima[column].toDouble() - minima[column].toDouble();
            if (spread > limit) {
                const int sensor = firstSensor + static_cast<int>(column);
                findings.push_back(
                    {QStringLiteral("spread_exceeded"), sensor,
                     SensorText(sensor, QStringLiteral("dump spread %1 µA over the limit of %2 µA")
                                            .arg(QString::fromStdString(
                                                     protocol::FormatFixed(spread * 1000.0, 1)),
                                                 QString::fromStdString(
                                                     protocol::FormatFixed(limit * 1000.0, 1)))),
                     rule});
            }
        }
    }
    return findings;
}

std::vector<Finding> VisitFindings(const QList<QJsonObject>& events) {
    std::vector<Finding> findings;
    for (qsizetype i = events.size() - 1; i >= 0; --i) {
        if (IsCompleteSurvey(events[i])) {
            findings = SurveyFindings(events, i);
            break;
        }
    }
    std::vector<Finding> dumps = DumpFindings(events);
    findings.insert(findings.end(), dumps.begin(), dumps.end());
    return findings;
}

std::vector<Verdict> LimitVerdicts(const QList<QJsonObject>& events, qsizetype surveyIndex,
                                   const AcceptanceLimits::ModelLimits& limits) {
    std::vector<Verdict> verdicts;
    if (surveyIndex < 0 || surveyIndex >= events.size() || !IsCompleteSurvey(events[surveyIndex])) {
        return verdicts;
    }
    for (const QJsonValue& value : events[surveyIndex].value(QStringLiteral("sensors")).toArray()) {
        const QJsonObject sensor = value.toObject();
        for (std::size_t q = 0; q < AcceptanceLimits::kQuantityCount; ++q) {
            const auto quantity = static_cast<AcceptanceLimits::Quantity>(q);
            const QJsonValue reading = sensor.value(AcceptanceLimits::FieldName(quantity));
            if (!limits[q] || !reading.isDouble()) {
                continue;
            }
            verdicts.push_back({sensor.value(QStringLiteral("sensor")).toInt(-1), quantity,
                                reading.toDouble(), *limits[q],
                                limits[q]->Holds(reading.toDouble())});
        }
    }
    return verdicts;
}

std::vector<Finding> LimitFindings(const std::vector<Verdict>& verdicts,
                                   const QString& decisionRule) {
    static constexpr std::array<std::pair<const char*, const char*>,
                                AcceptanceLimits::kQuantityCount>
        kWords{{{"voltage", "V"}, {"current", "mA"}, {"trip point", "mA"}, {"power level", "mW"}}};
    std::vector<Finding> findings;
    for (const Verdict& verdict : verdicts) {
        if (verdict.pass) {
            continue;
        }
        const auto& [name, unit] = kWords[static_cast<std::size_t>(verdict.quantity)];
        const QString units = QLatin1String(unit);
        QString bounds;
        if (verdict.range.min && verdict.range.max) {
            bounds = QStringLiteral("%1 to %2 %3")
                         .arg(Fixed(*verdict.range.min), Fixed(*verdict.range.max), units);
        } else if (verdict.range.min) {
            bounds = QStringLiteral("at least %1 %2").arg(Fixed(*verdict.range.min), units);
        } else {
            bounds = QStringLiteral("at most %1 %2").arg(Fixed(*verdict.range.max), units);
        }
        findings.push_back(
            {QStringLiteral("outside_limits"), verdict.sensor,
             SensorText(verdict.sensor,
                        QStringLiteral("%1 %2 %3 outside its limits (%4)")
                            .arg(QLatin1String(name), Fixed(verdict.value), units, bounds)),
             decisionRule});
    }
    return findings;
}

std::vector<Finding> RecordedLimitFindings(const QList<QJsonObject>& events,
                                           qsizetype surveyIndex) {
    std::optional<QJsonObject> recorded;
    QString model;
    for (qsizetype i = 0; i < surveyIndex && i < events.size(); ++i) {
        const QString kind = events[i].value(QStringLiteral("event")).toString();
        if (kind == QStringLiteral("acceptance_limits")) {
            recorded = events[i];
        } else if (kind == QStringLiteral("report_details") &&
                   events[i].contains(QStringLiteral("model"))) {
            model = events[i].value(QStringLiteral("model")).toString();
        }
    }
    QString error;
    const std::optional<AcceptanceLimits> limits =
        recorded ? AcceptanceLimits::FromRecord(*recorded, error) : std::nullopt;
    const AcceptanceLimits::ModelLimits* modelLimits = limits ? limits->ForModel(model) : nullptr;
    if (modelLimits == nullptr) {
        return {};
    }
    return LimitFindings(LimitVerdicts(events, surveyIndex, *modelLimits), limits->DecisionRule());
}

namespace {

// The same finding again: of the same kind and sensor, and on the same quantity, which the
// text names before any value ("Sensor 3: voltage 3.516 V ...").
bool SameSubject(const Finding& a, const Finding& b) {
    const auto subject = [](const QString& text) { return text.section(QLatin1Char(' '), 0, 2); };
    return a.kind == b.kind && a.sensor == b.sensor && subject(a.text) == subject(b.text);
}

// Whether the survey's findings leave the sensor's condition unknown: a reply of the card or
// of the sensor that did not come or could not be read.
bool LeftUnknown(const std::vector<Finding>& findings, int sensor) {
    return std::any_of(findings.begin(), findings.end(), [sensor](const Finding& finding) {
        return (finding.sensor < 0 || finding.sensor == sensor) &&
               (finding.kind == QStringLiteral("no_response") ||
                finding.kind == QStringLiteral("unreadable") ||
                finding.kind == QStringLiteral("not_sent"));
    });
}

bool PassedAgain(const std::vector<Verdict>& verdicts, const Verdict& failed) {
    return std::any_of(verdicts.begin(), verdicts.end(), [&failed](const Verdict& verdict) {
        return verdict.sensor == failed.sensor && verdict.quantity == failed.quantity &&
               verdict.pass;
    });
}

void AddRules(const std::vector<Finding>& findings, QStringList& rules) {
    for (const Finding& finding : findings) {
        if (!finding.rule.isEmpty() && !rules.contains(finding.rule)) {
            rules << finding.rule;
        }
    }
}

}  // namespace

Conformity JudgeConformity(const QList<QJsonObject>& events, qsizetype foundSurvey,
                           qsizetype leftSurvey, const AcceptanceLimits* limits,
                           const QString& model) {
    Conformity conformity;
    const AcceptanceLimits::ModelLimits* modelLimits =
        limits != nullptr ? limits->ForModel(model) : nullptr;
    conformity.limitsApplied = modelLimits != nullptr;
    if (modelLimits != nullptr) {
        conformity.foundVerdicts = LimitVerdicts(events, foundSurvey, *modelLimits);
        conformity.leftVerdicts = LimitVerdicts(events, leftSurvey, *modelLimits);
    }
    const QString rule = limits != nullptr ? limits->DecisionRule() : QString();
    conformity.asLeft = SurveyFindings(events, leftSurvey);
    for (Finding& failed : LimitFindings(conformity.leftVerdicts, rule)) {
        conformity.asLeft.push_back(std::move(failed));
    }
    const bool leftSurveyed = leftSurvey >= 0 && leftSurvey < events.size();
    std::vector<Finding> found;
    for (Finding& finding : SurveyFindings(events, foundSurvey)) {
        const bool again =
            std::any_of(conformity.asLeft.begin(), conformity.asLeft.end(),
                        [&finding](const Finding& left) { return SameSubject(finding, left); });
        const bool mended =
            leftSurveyed && !again && !LeftUnknown(conformity.asLeft, finding.sensor);
        found.push_back(finding);
        conformity.asFound.push_back({std::move(finding), mended, -1});
    }
    for (qsizetype v = 0; v < std::ssize(conformity.foundVerdicts); ++v) {
        const Verdict& verdict = conformity.foundVerdicts[v];
        if (verdict.pass) {
            continue;
        }
        const Finding failed = LimitFindings({verdict}, rule).front();
        found.push_back(failed);
        conformity.asFound.push_back(
            {failed, leftSurveyed && PassedAgain(conformity.leftVerdicts, verdict), v});
    }
    conformity.dumps = DumpFindings(
        events, limits != nullptr ? limits->SpreadLimit(model) : std::optional<double>());
    AddRules(found, conformity.rules);
    AddRules(conformity.asLeft, conformity.rules);
    AddRules(conformity.dumps, conformity.rules);
    return conformity;
}

QJsonObject ToJson(const Finding& finding) {
    QJsonObject json{{"kind", finding.kind}, {"text", finding.text}, {"rule", finding.rule}};
    if (finding.sensor >= 0) {
        json.insert(QStringLiteral("sensor"), finding.sensor);
    }
    return json;
}

}  // namespace judgement
