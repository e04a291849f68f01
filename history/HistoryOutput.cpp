#include "history/HistoryOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <array>
#include <charconv>
#include <cmath>

#include "history/DriftTrend.h"
#include "record/ConditionNames.h"

namespace HistoryOutput {

namespace {

const QString kNotIdentified = QStringLiteral("not identified");

QJsonValue Optional(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue StatusJson(const std::optional<int>& status) {
    if (!status) {
        return QJsonValue::Null;
    }
    QJsonObject bits;
    for (std::size_t c = 0; c < visit::kConditionNames.size(); ++c) {
        bits.insert(QLatin1String(visit::kConditionNames[c]), (*status & (1 << c)) != 0);
    }
    return bits;
}

QJsonArray SensorsJson(const VisitSummary::Sensors& sensors) {
    QJsonArray list;
    for (int s = 0; s < VisitSummary::kSensorCount; ++s) {
        const VisitSummary::Sensor& sensor = sensors[static_cast<std::size_t>(s)];
        if (sensor == VisitSummary::Sensor{}) {
            continue;
        }
        list.append(QJsonObject{{"sensor", s},
                                {"volts", Optional(sensor.volts)},
                                {"milliamps", Optional(sensor.milliamps)},
                                {"trip_point_milliamps", Optional(sensor.tripPointMilliamps)},
                                {"power_milliwatts", Optional(sensor.powerMilliwatts)},
                                {"status", StatusJson(sensor.status)}});
    }
    return list;
}

QJsonValue DriftJson(const std::optional<std::vector<history::Drift>>& drift) {
    if (!drift) {
        return QJsonValue::Null;
    }
    QJsonArray list;
    for (const history::Drift& sensor : *drift) {
        list.append(QJsonObject{{"sensor", sensor.sensor},
                                {"volts", Optional(sensor.volts)},
                                {"milliamps", Optional(sensor.milliamps)},
                                {"trip_point_milliamps", Optional(sensor.tripPointMilliamps)}});
    }
    return list;
}

QJsonValue TrendJson(const std::vector<VisitSummary>& visits,
                     const AcceptanceLimits::ModelLimits* limits) {
    if (visits.size() < 3) {
        return QJsonValue::Null;
    }
    QJsonArray list;
    for (const history::Trend& trend : history::Trends(visits, limits)) {
        list.append(QJsonObject{
            {"sensor", trend.sensor},
            {"quantity", AcceptanceLimits::FieldName(trend.quantity)},
            {"slope_per_year", trend.slopePerYear},
            {"limit_reached", trend.limitReached
                                  ? QJsonValue(trend.limitReached->toString(Qt::ISODate))
                                  : QJsonValue(QJsonValue::Null)}});
    }
    return list;
}

QString Time(const QDateTime& time) {
    return time.toString(Qt::ISODateWithMs);
}

void Indent(QByteArray& out, int depth) {
    out.append(depth * 4, ' ');
}

void Write(const QJsonValue& value, QByteArray& out, int depth, QStringView key = {});

// A sensor's number is a count; every other number is a measure and keeps its decimal point,
// even where it is whole (QJsonValue keeps a whole double as an integer).
bool IsCount(QStringView key) {
    return key == QLatin1String("sensor");
}

// A JSON string in UTF-8: quotes, backslashes and control characters escaped.
void WriteString(const QString& text, QByteArray& out) {
    static constexpr char kHex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\b':
                out.append("\\b");
                break;
            case '\f':
                out.append("\\f");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            default:
                if (byte < 0x20) {
                    out.append("\\u00");
                    out.append(kHex[byte >> 4]);
                    out.append(kHex[byte & 0xF]);
                } else {
                    out.append(c);
                }
        }
    }
    out.append('"');
}

void Write(const QJsonValue& value, QByteArray& out, int depth, QStringView key) {
    switch (value.type()) {
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            out.append("null");
            break;
        case QJsonValue::Bool:
            out.append(value.toBool() ? "true" : "false");
            break;
        case QJsonValue::Double:
            if (IsCount(key)) {
                out.append(QByteArray::number(value.toInteger()));
            } else {
                out.append(NumberText(value.toDouble()));
            }
            break;
        case QJsonValue::String:
            WriteString(value.toString(), out);
            break;
        case QJsonValue::Array: {
            const QJsonArray array = value.toArray();
            if (array.isEmpty()) {
                out.append("[]");
                break;
            }
            out.append("[\n");
            for (qsizetype i = 0; i < array.size(); ++i) {
                Indent(out, depth + 1);
                Write(array[i], out, depth + 1);
                out.append(i + 1 < array.size() ? ",\n" : "\n");
            }
            Indent(out, depth);
            out.append(']');
            break;
        }
        case QJsonValue::Object: {
            const QJsonObject object = value.toObject();
            if (object.isEmpty()) {
                out.append("{}");
                break;
            }
            out.append("{\n");
            qsizetype left = object.size();
            for (auto field = object.begin(); field != object.end(); ++field) {
                Indent(out, depth + 1);
                WriteString(field.key(), out);
                out.append(": ");
                Write(field.value(), out, depth + 1, field.key());
                out.append(--left > 0 ? ",\n" : "\n");
            }
            Indent(out, depth);
            out.append('}');
            break;
        }
    }
}

QString CsvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvNumber(const std::optional<double>& value) {
    return value ? QString::fromLatin1(NumberText(*value)) : QString();
}

QString ConformityText(VisitSummary::Conformity conformity) {
    switch (conformity) {
        case VisitSummary::Conformity::InOrder:
            return QStringLiteral("in order");
        case VisitSummary::Conformity::Findings:
            return QStringLiteral("findings");
        case VisitSummary::Conformity::NotRead:
            break;
    }
    return QStringLiteral("not read");
}

}  // namespace

QByteArray NumberText(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    QByteArray text(buffer.data(), error == std::errc() ? end - buffer.data() : 0);
    if (!text.contains('.')) {
        const qsizetype exponent = text.indexOf('e');
        text.insert(exponent < 0 ? text.size() : exponent, ".0");
    }
    return text;
}

QJsonObject Document(const std::vector<VisitSummary>& visits,
                     const AcceptanceLimits::ModelLimits* limits) {
    QJsonArray list;
    const VisitSummary* previous = nullptr;
    for (const VisitSummary& visit : visits) {
        QJsonArray findings = QJsonArray::fromStringList(visit.findings);
        list.append(QJsonObject{{"report_number", visit.reportNumber},
                                {"started", Time(visit.started)},
                                {"ended", Time(visit.ended)},
                                {"technician", visit.technician},
                                {"customer", visit.customer},
                                {"site", visit.site},
                                {"asset_number", visit.assetNumber},
                                {"record", visit.record},
                                {"card_left", visit.cardLeft},
                                {"conformity", VisitSummary::ConformityName(visit.conformity)},
                                {"as_found", SensorsJson(visit.asFound)},
                                {"as_left", SensorsJson(visit.asLeft)},
                                {"findings", findings},
                                {"drift", DriftJson(history::DriftSince(previous, visit))}});
        previous = &visit;
    }
    const VisitSummary none;
    const VisitSummary& last = visits.empty() ? none : visits.back();
    return QJsonObject{
        {"instrument", QJsonObject{{"model", last.model}, {"serial_number", last.serialNumber}}},
        {"visits", list},
        {"trend", TrendJson(visits, limits)}};
}

QByteArray JsonText(const QJsonValue& value) {
    QByteArray out;
    Write(value, out, 0);
    out.append('\n');
    return out;
}

QString Csv(const std::vector<VisitSummary>& visits) {
    QStringList lines{QStringLiteral(
        "report_number,started,technician,customer,sensor,found_volts,found_milliamps,"
        "found_trip_point_milliamps,found_power_milliwatts,left_volts,left_milliamps,"
        "left_trip_point_milliamps,left_power_milliwatts,drift_volts,drift_milliamps,"
        "drift_trip_point_milliamps,conformity")};
    const VisitSummary* previous = nullptr;
    for (const VisitSummary& visit : visits) {
        const std::optional<std::vector<history::Drift>> drift =
            history::DriftSince(previous, visit);
        for (int s = 0; s < VisitSummary::kSensorCount; ++s) {
            const VisitSummary::Sensor& found = visit.asFound[static_cast<std::size_t>(s)];
            const VisitSummary::Sensor& left = visit.asLeft[static_cast<std::size_t>(s)];
            if (found == VisitSummary::Sensor{} && left == VisitSummary::Sensor{}) {
                continue;
            }
            history::Drift moved{s, {}, {}, {}};
            for (const history::Drift& d : drift.value_or(std::vector<history::Drift>{})) {
                if (d.sensor == s) {
                    moved = d;
                }
            }
            lines << QStringList{CsvField(visit.reportNumber),
                                 Time(visit.started),
                                 CsvField(visit.technician),
                                 CsvField(visit.customer),
                                 QString::number(s),
                                 CsvNumber(found.volts),
                                 CsvNumber(found.milliamps),
                                 CsvNumber(found.tripPointMilliamps),
                                 CsvNumber(found.powerMilliwatts),
                                 CsvNumber(left.volts),
                                 CsvNumber(left.milliamps),
                                 CsvNumber(left.tripPointMilliamps),
                                 CsvNumber(left.powerMilliwatts),
                                 CsvNumber(moved.volts),
                                 CsvNumber(moved.milliamps),
                                 CsvNumber(moved.tripPointMilliamps),
                                 VisitSummary::ConformityName(visit.conformity)}
                         .join(QLatin1Char(','));
        }
        previous = &visit;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString InstrumentTable(const std::vector<HistoryIndex::Instrument>& instruments) {
    QStringList lines{QStringLiteral("%1  %2  %3  %4  %5  %6")
                          .arg(QStringLiteral("Serial number"), -16)
                          .arg(QStringLiteral("Model"), -12)
                          .arg(QStringLiteral("Customer"), -20)
                          .arg(QStringLiteral("Visits"), 6)
                          .arg(QStringLiteral("Last visit"), -16)
                          .arg(QStringLiteral("As left"))};
    for (const HistoryIndex::Instrument& instrument : instruments) {
        lines << QStringLiteral("%1  %2  %3  %4  %5  %6")
                     .arg(instrument.serialNumber.isEmpty() ? kNotIdentified
                                                            : instrument.serialNumber,
                          -16)
                     .arg(instrument.model, -12)
                     .arg(instrument.customer, -20)
                     .arg(instrument.visits, 6)
                     .arg(instrument.lastVisit.toString(QStringLiteral("yyyy-MM-dd HH:mm")), -16)
                     .arg(ConformityText(instrument.lastConformity));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace HistoryOutput
