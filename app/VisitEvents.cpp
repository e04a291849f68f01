#include "app/VisitEvents.h"

#include "app/WindowText.h"
#include "record/ModeConfirmation.h"

namespace visit {

QJsonObject WithReply(QJsonObject values, const std::string& reply, bool unsent) {
    if (reply.empty() && unsent) {
        values.insert(QStringLiteral("not_sent"), true);
    } else if (reply.empty()) {
        values.insert(QStringLiteral("no_response"), true);
    } else {
        values.insert(QStringLiteral("reply"), ToWindowText(reply));
    }
    return values;
}

QJsonObject WithConfirmation(QJsonObject values, const std::string& reply, bool unsent,
                             const char* confirmingWord) {
    values.insert(QStringLiteral("confirmed"),
                  ReplyConfirmsMode(ToWindowText(reply), QLatin1String(confirmingWord)));
    return WithReply(std::move(values), reply, unsent);
}

QJsonObject LeavingValues(const InstrumentLink::Leaving& leaving) {
    using Outcome = InstrumentLink::Leaving::Outcome;
    QJsonObject values{{"at_exit", true}};
    switch (leaving.outcome) {
        case Outcome::Answered:
        case Outcome::NoAnswer:
            return WithConfirmation(values, leaving.reply, false, "ONLINE");
        case Outcome::ReplyPending:
            values.insert(QStringLiteral("reply_pending"), true);
            break;
        case Outcome::NotWritten:
            break;
    }
    values.insert(QStringLiteral("not_sent"), true);
    return values;
}

QJsonObject StatusValues(const SensorStatus& status) {
    QJsonObject conditions;
    for (std::size_t c = 0; c < SensorStatus::kConditionCount; ++c) {
        const auto condition = static_cast<SensorStatus::Condition>(c);
        QJsonArray bits;
        for (SensorIndex sensor = 0; sensor < 8; ++sensor) {
            bits.append(status.Holds(condition, sensor));
        }
        conditions.insert(ConditionName(condition),
                          QJsonObject{{"byte", QStringLiteral("0x%1").arg(status.Byte(condition), 2,
                                                                          16, QLatin1Char('0'))},
                                      {"sensors", bits}});
    }
    return QJsonObject{{"conditions", conditions}};
}

QString TubeName(bool rightTube) {
    return rightTube ? QStringLiteral("right") : QStringLiteral("left");
}

QJsonObject Reading(SensorIndex sensor, double value, const char* unit) {
    return QJsonObject{{"sensor", sensor}, {"value", value}, {"unit", QLatin1String(unit)}};
}

}  // namespace visit
