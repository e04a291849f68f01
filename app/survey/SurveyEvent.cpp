#include "app/survey/SurveyEvent.h"

#include <QJsonArray>
#include <array>
#include <optional>
#include <string>

#include "app/PowerLevel.h"
#include "app/VisitEvents.h"
#include "app/WindowText.h"
#include "protocol/ReplyDecoding.h"
#include "record/VisitJudgement.h"

namespace survey {

namespace {

QJsonValue ReplyValue(const std::optional<std::string>& reply) {
    return reply ? QJsonValue(ToWindowText(*reply)) : QJsonValue(QJsonValue::Null);
}

QJsonValue Number(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

std::optional<double> Converted(const std::optional<std::string>& reply,
                                double (*convert)(std::string_view)) {
    return reply ? std::optional<double>(convert(*reply)) : std::nullopt;
}

// The values of one sensor; a query that was sent and not answered is named in no_response.
QJsonObject SensorValues(int sensor, const SurveyReplies::Sensor& replies,
                         const std::optional<SensorStatus>& status, int queriesDone) {
    const std::optional<double> volts = Converted(replies.voltage, protocol::VoltsFromReply);
    const std::optional<double> milliamps =
        Converted(replies.current, protocol::MilliampsFromReply);
    const bool notTrained = replies.tripPoint && protocol::IsNotTrained(*replies.tripPoint);
    const std::optional<double> tripPoint =
        notTrained ? std::nullopt : Converted(replies.tripPoint, protocol::MilliampsFromReply);
    QJsonValue power(QJsonValue::Null);
    if (volts && milliamps) {
        power = PowerLevelMilliwatts(*volts, *milliamps);
    }

    QJsonObject values{{"sensor", sensor},
                       {"volts", Number(volts)},
                       {"milliamps", Number(milliamps)},
                       {"trip_point_milliamps", Number(tripPoint)},
                       {"power_milliwatts", power}};
    if (notTrained) {
        values.insert(QStringLiteral("not_trained"), true);
    }
    for (std::size_t c = 0; c < SensorStatus::kConditionCount; ++c) {
        const auto condition = static_cast<SensorStatus::Condition>(c);
        values.insert(
            visit::ConditionName(condition),
            status ? QJsonValue(status->Holds(condition, sensor)) : QJsonValue(QJsonValue::Null));
    }
    values.insert(QStringLiteral("replies"),
                  QJsonObject{{"voltage", ReplyValue(replies.voltage)},
                              {"current", ReplyValue(replies.current)},
                              {"trip_point", ReplyValue(replies.tripPoint)}});
    const std::array<const std::optional<std::string>*, 3> answers{
        &replies.voltage, &replies.current, &replies.tripPoint};
    const std::array<const char*, 3> names{"voltage", "current", "trip_point"};
    QJsonArray missing;
    for (int q = 0; q < 3; ++q) {
        const int step = 1 + 3 * sensor + q;
        if (step < queriesDone && !answers[static_cast<std::size_t>(q)]->has_value()) {
            missing.append(QLatin1String(names[static_cast<std::size_t>(q)]));
        }
    }
    values.insert(QStringLiteral("no_response"), missing);
    return values;
}

QJsonArray FindingsOf(const std::vector<judgement::Finding>& findings, int sensor) {
    QJsonArray json;
    for (const judgement::Finding& finding : findings) {
        if (finding.sensor == sensor) {
            json.append(judgement::ToJson(finding));
        }
    }
    return json;
}

}  // namespace

QJsonObject EventValues(const SurveyReplies& replies, bool cancelled, int queriesDone,
                        const QList<QJsonObject>& eventsBefore) {
    const std::optional<SensorStatus> status =
        replies.status ? protocol::DecodeStatusReply(*replies.status) : std::nullopt;
    QJsonObject values{{"status_reply", ReplyValue(replies.status)}};
    if (queriesDone > 0 && !status) {
        values.insert(QStringLiteral("status_no_response"), true);
    }
    if (cancelled) {
        values.insert(QStringLiteral("cancelled"), true);
        values.insert(QStringLiteral("queries_done"), queriesDone);
    }
    QJsonArray sensors;
    for (int sensor = 0; sensor < SurveyReplies::kSensorCount; ++sensor) {
        sensors.append(SensorValues(sensor, replies.sensors.at(static_cast<std::size_t>(sensor)),
                                    status, queriesDone));
    }
    values.insert(QStringLiteral("sensors"), sensors);

    // Judged as the record will hold it: the events so far, then this one.
    QList<QJsonObject> events = eventsBefore;
    QJsonObject event = values;
    event.insert(QStringLiteral("event"), QStringLiteral("survey"));
    events.append(event);
    const std::vector<judgement::Finding> findings =
        judgement::SurveyFindings(events, events.size() - 1);
    for (qsizetype i = 0; i < sensors.size(); ++i) {
        QJsonObject sensor = sensors[i].toObject();
        sensor.insert(QStringLiteral("findings"), FindingsOf(findings, static_cast<int>(i)));
        sensors[i] = sensor;
    }
    values.insert(QStringLiteral("sensors"), sensors);
    values.insert(QStringLiteral("findings"), FindingsOf(findings, -1));
    return values;
}

int AnsweredSensors(const QJsonObject& values) {
    int answered = 0;
    for (const QJsonValue& sensor : values.value(QStringLiteral("sensors")).toArray()) {
        const QJsonObject replies = sensor.toObject().value(QStringLiteral("replies")).toObject();
        if (replies.value(QStringLiteral("voltage")).isString() &&
            replies.value(QStringLiteral("current")).isString() &&
            replies.value(QStringLiteral("trip_point")).isString()) {
            ++answered;
        }
    }
    return answered;
}

int FindingCount(const QJsonObject& values) {
    auto count = static_cast<int>(values.value(QStringLiteral("findings")).toArray().size());
    for (const QJsonValue& sensor : values.value(QStringLiteral("sensors")).toArray()) {
        count +=
            static_cast<int>(sensor.toObject().value(QStringLiteral("findings")).toArray().size());
    }
    return count;
}

}  // namespace survey
