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
#include "trace/TraceFormat.h"

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

QString RawText(const std::string& line) {
    return QString::fromStdString(trace::EscapeBytes(line));
}

// What became of one query beside its value: named in no_response (sent, not answered),
// not_sent, unreadable (with the line as it came) or late_ms.
struct QueryNotes {
    QJsonArray noResponse;
    QJsonArray notSent;
    QJsonObject unreadable;
    QJsonObject lateMs;

    void Add(const char* name, const SurveyReplies::Query& query, bool answered, bool cancelled) {
        const QLatin1String key(name);
        if (answered) {
            if (query.lateBy) {
                lateMs.insert(key, static_cast<double>(query.lateBy->count()));
            }
        } else if (query.unreadable) {
            unreadable.insert(key, RawText(*query.unreadable));
        } else if (query.waitEnded) {
            noResponse.append(key);
        } else if (!query.sent && !cancelled) {
            notSent.append(key);
        }
    }
};

QJsonObject SensorValues(int sensor, const SurveyReplies& all,
                         const std::optional<SensorStatus>& status, bool cancelled) {
    const SurveyReplies::Sensor& replies = all.sensors.at(static_cast<std::size_t>(sensor));
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
    QueryNotes notes;
    for (std::size_t q = 0; q < 3; ++q) {
        const auto step = static_cast<std::size_t>(1 + 3 * sensor) + q;
        notes.Add(names[q], all.queries.at(step), answers[q]->has_value(), cancelled);
    }
    values.insert(QStringLiteral("no_response"), notes.noResponse);
    if (!notes.notSent.isEmpty()) {
        values.insert(QStringLiteral("not_sent"), notes.notSent);
    }
    if (!notes.unreadable.isEmpty()) {
        values.insert(QStringLiteral("unreadable"), notes.unreadable);
    }
    if (!notes.lateMs.isEmpty()) {
        values.insert(QStringLiteral("late_ms"), notes.lateMs);
    }
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
    const SurveyReplies::Query& statusQuery = replies.queries[0];
    if (!status && statusQuery.unreadable) {
        values.insert(QStringLiteral("status_unreadable"), RawText(*statusQuery.unreadable));
    } else if (!status && statusQuery.waitEnded) {
        values.insert(QStringLiteral("status_no_response"), true);
    }
    if (status && statusQuery.lateBy) {
        values.insert(QStringLiteral("status_late_ms"),
                      static_cast<double>(statusQuery.lateBy->count()));
    }
    if (cancelled) {
        values.insert(QStringLiteral("cancelled"), true);
        values.insert(QStringLiteral("queries_done"), queriesDone);
    }
    if (replies.lineLost) {
        values.insert(QStringLiteral("line_lost"), true);
    }
    values.insert(QStringLiteral("slowest_reply_ms"),
                  static_cast<double>(replies.slowestReply.count()));
    values.insert(QStringLiteral("reply_wait_ms"), static_cast<double>(replies.lastWait.count()));
    QJsonArray sensors;
    for (int sensor = 0; sensor < SurveyReplies::kSensorCount; ++sensor) {
        sensors.append(SensorValues(sensor, replies, status, cancelled));
    }
    values.insert(QStringLiteral("sensors"), sensors);

    // Judged as the record will hold it: the events so far, then this one.
    QList<QJsonObject> events = eventsBefore;
    QJsonObject event = values;
    event.insert(QStringLiteral("event"), QStringLiteral("survey"));
    events.append(event);
    std::vector<judgement::Finding> findings = judgement::SurveyFindings(events, events.size() - 1);
    for (judgement::Finding& outside :
         judgement::RecordedLimitFindings(events, events.size() - 1)) {
        findings.push_back(std::move(outside));
    }
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
