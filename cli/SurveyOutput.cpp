#include "cli/SurveyOutput.h"

#include <QJsonArray>
#include <QStringList>

#include "record/ConditionNames.h"

namespace cli {

namespace {

QJsonArray FindingTexts(const QJsonValue& findings) {
    QJsonArray texts;
    for (const QJsonValue& finding : findings.toArray()) {
        texts.append(finding.toObject().value(QStringLiteral("text")));
    }
    return texts;
}

QJsonObject SensorDocument(const QJsonObject& sensor) {
    QJsonObject status;
    for (const char* condition : visit::kConditionNames) {
        status.insert(QLatin1String(condition), sensor.value(QLatin1String(condition)));
    }
    QJsonObject document;
    for (const char* key :
         {"sensor", "volts", "milliamps", "trip_point_milliamps", "power_milliwatts"}) {
        document.insert(QLatin1String(key), sensor.value(QLatin1String(key)));
    }
    document.insert(QStringLiteral("status"), status);
    document.insert(QStringLiteral("findings"),
                    FindingTexts(sensor.value(QStringLiteral("findings"))));
    return document;
}

// "4.618 V"; "-" for a value that did not come (or a trip point not trained).
QString Cell(const QJsonValue& value, const char* unit) {
    if (!value.isDouble()) {
        return QStringLiteral("-");
    }
    return QStringLiteral("%1 %2").arg(value.toDouble(), 0, 'f', 3).arg(QLatin1String(unit));
}

// The conditions that hold, "-" without the status reply.
QString StatusCell(const QJsonObject& status) {
    QStringList holding;
    for (const char* condition : visit::kConditionNames) {
        const QJsonValue bit = status.value(QLatin1String(condition));
        if (!bit.isBool()) {
            return QStringLiteral("-");
        }
        if (bit.toBool()) {
            holding << QLatin1String(condition);
        }
    }
    return holding.join(QLatin1Char(' '));
}

QStringList Lines(const QJsonArray& texts) {
    QStringList lines;
    for (const QJsonValue& text : texts) {
        lines << text.toString();
    }
    return lines;
}

}  // namespace

QJsonObject SurveyOutput::Document(const QJsonObject& discoveryEvent,
                                   const QJsonObject& surveyEvent) {
    QJsonArray sensors;
    for (const QJsonValue& sensor : surveyEvent.value(QStringLiteral("sensors")).toArray()) {
        sensors.append(SensorDocument(sensor.toObject()));
    }
    QJsonObject document{
        {"card", discoveryEvent.value(QStringLiteral("lines"))},
        {"port", surveyEvent.value(QStringLiteral("port"))},
        {"device", surveyEvent.value(QStringLiteral("device"))},
        {"time", surveyEvent.value(QStringLiteral("time"))},
        {"slowest_reply_ms", surveyEvent.value(QStringLiteral("slowest_reply_ms"))},
        {"sensors", sensors},
        {"findings", FindingTexts(surveyEvent.value(QStringLiteral("findings")))}};
    if (surveyEvent.value(QStringLiteral("line_lost")).toBool()) {
        document.insert(QStringLiteral("line_lost"), true);
    }
    return document;
}

int SurveyOutput::FindingCount(const QJsonObject& document) {
    auto count = static_cast<int>(document.value(QStringLiteral("findings")).toArray().size());
    for (const QJsonValue& sensor : document.value(QStringLiteral("sensors")).toArray()) {
        count +=
            static_cast<int>(sensor.toObject().value(QStringLiteral("findings")).toArray().size());
    }
    return count;
}

QString SurveyOutput::Table(const QJsonObject& document) {
    QString text = QStringLiteral("Card:   %1\nPort:   %2 (%3)\nTime:   %4\n\n")
                       .arg(Lines(document.value(QStringLiteral("card")).toArray()).join(" / "),
                            document.value(QStringLiteral("port")).toString(),
                            document.value(QStringLiteral("device")).toString(),
                            document.value(QStringLiteral("time")).toString());
    const QString row = QStringLiteral("%1  %2  %3  %4  %5  %6\n");
    text += row.arg(QStringLiteral("Sensor"), QStringLiteral("Voltage").leftJustified(9),
                    QStringLiteral("Current").leftJustified(10),
                    QStringLiteral("Trip point").leftJustified(10),
                    QStringLiteral("Power").leftJustified(10), QStringLiteral("Status"));
    QStringList findings = Lines(document.value(QStringLiteral("findings")).toArray());
    for (const QJsonValue& value : document.value(QStringLiteral("sensors")).toArray()) {
        const QJsonObject sensor = value.toObject();
        text += row.arg(
            QString::number(sensor.value(QStringLiteral("sensor")).toInt()).rightJustified(6),
            Cell(sensor.value(QStringLiteral("volts")), "V").leftJustified(9),
            Cell(sensor.value(QStringLiteral("milliamps")), "mA").leftJustified(10),
            Cell(sensor.value(QStringLiteral("trip_point_milliamps")), "mA").leftJustified(10),
            Cell(sensor.value(QStringLiteral("power_milliwatts")), "mW").leftJustified(10),
            StatusCell(sensor.value(QStringLiteral("status")).toObject()));
        findings << Lines(sensor.value(QStringLiteral("findings")).toArray());
    }
    if (findings.isEmpty()) {
        return text + QStringLiteral("\nNo findings: every sensor in order.\n");
    }
    return text + QStringLiteral("\nFindings:\n  ") + findings.join(QStringLiteral("\n  ")) +
           QLatin1Char('\n');
}

}  // namespace cli
