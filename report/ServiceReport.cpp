#include "report/ServiceReport.h"

#include <QJsonArray>
#include <QLocale>

#include "record/ModeConfirmation.h"

namespace {

using Reading = ServiceReport::Reading;
using SensorReadings = ServiceReport::SensorReadings;
using Slot = std::optional<Reading> SensorReadings::*;

constexpr std::array<const char*, 5> kConditions{"enabled", "trained", "shorted", "opened",
                                                 "covered"};

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
    for (const char* name : kConditions) {
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

class Builder {
  public:
    explicit Builder(ServiceReport& report) : report_(report) {}

    void Add(const QJsonObject& event) {
        const QString kind = Str(event, "event");
        const QDateTime time = TimeOf(event);
        if (time.isValid()) {
            report_.ended = time;
        }
        if (kind == QStringLiteral("visit")) {
            report_.started = time;
            report_.programVersion = Str(event, "program_version");
            report_.user = Str(event, "user");
            report_.host = Str(event, "host");
        } else if (kind == QStringLiteral("notes")) {
            report_.notes = Str(event, "text");
        } else if (kind == QStringLiteral("discovery")) {
            AddDiscovery(event);
            cardConnected_ = true;
        } else if (kind == QStringLiteral("not_found")) {
            cardConnected_ = false;
        } else if (kind == QStringLiteral("exit")) {
            exited_ = true;
        } else if (event.value(QStringLiteral("at_exit")).toBool()) {
            AddExitGoOnline(event, time);
        } else if (event.value(QStringLiteral("not_sent")).toBool()) {
            AddUnsent(kind, time);
        } else if (kind.startsWith(QStringLiteral("query_")) ||
                   kind == QStringLiteral("power_level") || kind == QStringLiteral("status")) {
            AddReading(kind, event, time);
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
        if (event.value(QStringLiteral("no_response")).toBool()) {
            report_.unanswered.push_back(
                {time, Readable(kind), {}, QStringLiteral("No Response.")});
        }
    }

    // How the card was left, once every event is in.
    void Finish() {
        if (!report_.cardLeft.isEmpty()) {
            return;
        }
        if (!exited_) {
            report_.cardLeft = QStringLiteral("Not known: the record has no exit.");
        } else if (!cardConnected_) {
            report_.cardLeft = QStringLiteral("No card was connected.");
        } else {
            report_.cardLeft = QStringLiteral("Not recorded.");
        }
    }

  private:
    void AddUnsent(const QString& kind, const QDateTime& time) {
        report_.unanswered.push_back(
            {time, QStringLiteral("%1 not sent").arg(Readable(kind)), {}, {}});
    }

    void AddExitGoOnline(const QJsonObject& event, const QDateTime& time) {
        const QString reply = Str(event, "reply");
        if (event.value(QStringLiteral("not_sent")).toBool()) {
            AddUnsent(Str(event, "event"), time);
            report_.cardLeft = event.value(QStringLiteral("reply_pending")).toBool()
                                   ? QStringLiteral(
                                         "Not put back online: a reply was still pending at exit, "
                                         "so the go online was not sent.")
                                   : QStringLiteral(
                                         "Not put back online: the go online could not be sent at "
                                         "exit.");
        } else if (event.value(QStringLiteral("no_response")).toBool()) {
            report_.cardLeft = QStringLiteral("Not known: no reply to the go online at exit.");
        } else if (!Confirmed(event, "ONLINE")) {
            AddUnconfirmed(event, time, QStringLiteral("Go online at exit"));
            report_.cardLeft =
                QStringLiteral("Not known: the go online at exit was answered with \"%1\".")
                    .arg(reply);
        } else {
            report_.changes.push_back(
                {time, QStringLiteral("Card put back online at exit"), {}, reply});
            report_.cardLeft = QStringLiteral("Put back online at exit: %1").arg(reply);
        }
    }

    void AddDiscovery(const QJsonObject& event) {
        report_.port = Str(event, "port");
        report_.device = Str(event, "device");
        const QJsonArray lines = event.value(QStringLiteral("lines")).toArray();
        // The words both answers begin with: the card's identity without "ONLINE"/"OFFLINE".
        const QStringList online = lines.at(0).toString().split(QLatin1Char(' '));
        const QStringList offline = lines.at(1).toString().split(QLatin1Char(' '));
        QStringList common;
        for (qsizetype i = 0; i < std::min(online.size(), offline.size()); ++i) {
            if (online[i] != offline[i]) {
                break;
            }
            common << online[i];
        }
        report_.identity =
            common.isEmpty() ? lines.at(1).toString() : common.join(QLatin1Char(' '));
    }

    void AddLineEvent(const QString& kind, const QJsonObject& event, const QDateTime& time) {
        std::vector<ServiceReport::LineBreak>& breaks = report_.lineBreaks;
        if (kind == QStringLiteral("line_lost")) {
            breaks.push_back({time, {}, Str(event, "device"), {}});
        } else if (kind == QStringLiteral("line_back") && !breaks.empty() &&
                   !breaks.back().back.isValid()) {
            breaks.back().back = time;
            breaks.back().backDevice = Str(event, "device");
        }
    }

    static bool IsSensor(int sensor) { return sensor >= 0 && sensor < ServiceReport::kSensorCount; }

    void Note(int sensor, Slot slot, const Reading& reading) {
        if (!IsSensor(sensor)) {
            return;
        }
        std::optional<Reading>& found = report_.asFound[sensor].*slot;
        if (!found) {
            found = reading;
        }
        report_.asLeft[sensor].*slot = reading;
    }

    void AddReading(const QString& kind, const QJsonObject& event, const QDateTime& time) {
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

    bool HasVoltageAndCurrent(int sensor) const {
        return sensor >= 0 && sensor < ServiceReport::kSensorCount &&
               report_.asLeft[sensor].voltage && report_.asLeft[sensor].current;
    }

    // A sensor's value as last read or set: what a change finds before it.
    struct Known {
        QString voltage;
        QString tripPoint;
    };

    void Know(int sensor, QString Known::*value, const QString& text) {
        if (IsSensor(sensor)) {
            known_[sensor].*value = text;
        }
    }

    QString Before(QString Known::*value, int sensor) const {
        return IsSensor(sensor) ? known_[sensor].*value : QString();
    }

    void AddChange(const QString& kind, const QJsonObject& event, const QDateTime& time) {
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
            if (answered) {
                Know(sensor, &Known::voltage, ValueText(event, 3));
            }
        } else if (kind == QStringLiteral("set_trip_point")) {
            change.what = QStringLiteral("Trip point of sensor %1 set to %2 (code %3)%4")
                              .arg(sensor)
                              .arg(ValueText(event, 3), Str(event, "code"), all);
            change.before = Before(&Known::tripPoint, sensor);
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
            change.what = QStringLiteral("Sensor reports %1, %2 tube")
                              .arg(event.value(QStringLiteral("enable")).toBool()
                                       ? QStringLiteral("enabled")
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
    void AddUnconfirmed(const QJsonObject& event, const QDateTime& time, const QString& what) {
        if (!event.value(QStringLiteral("no_response")).toBool()) {
            report_.unconfirmed.push_back({time, what, {}, Str(event, "reply")});
        }
    }

    void AddDump(const QString& kind, const QJsonObject& event, const QDateTime& time) {
        if (kind == QStringLiteral("dump_start")) {
            ServiceReport::Dump dump;
            dump.tube = Str(event, "tube");
            dump.firstSensor = dump.tube == QStringLiteral("right") ? 4 : 0;
            dump.start = time;
            dump.spreadLimit = event.value(QStringLiteral("spread_limit")).toDouble();
            dump.file = Str(event, "file");
            report_.dumps.push_back(dump);
            return;
        }
        if (report_.dumps.empty() || report_.dumps.back().ended) {
            return;
        }
        ServiceReport::Dump& dump = report_.dumps.back();
        if (kind == QStringLiteral("dump_sample")) {
            CurrentRow row;
            row.seconds = static_cast<double>(dump.start.msecsTo(time)) / 1000.0;
            const QJsonArray currents = event.value(QStringLiteral("milliamps")).toArray();
            for (int c = 0; c < CurrentRow::kColumns; ++c) {
                row.milliamps[c] = currents.at(c).toDouble();
            }
            dump.rows.push_back(row);
            dump.samples = static_cast<int>(dump.rows.size());
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
            }
        }
    }

    void AddTimingTest(const QString& kind, const QJsonObject& event, const QDateTime& time) {
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

    ServiceReport& report_;
    bool cardConnected_ = false;
    bool exited_ = false;
    std::array<Known, ServiceReport::kSensorCount> known_;
    QString lastPowerLevel_;
    QDateTime timingStart_;
};

}  // namespace

ServiceReport ServiceReport::FromEvents(const QList<QJsonObject>& events,
                                        const QStringList& readNotes) {
    ServiceReport report;
    report.readNotes = readNotes;
    Builder builder(report);
    for (const QJsonObject& event : events) {
        builder.Add(event);
    }
    builder.Finish();
    if (report.notes.size() > kNotesLimit) {
        report.notes.truncate(kNotesLimit);
        report.readNotes << QStringLiteral(
                                "The notes are longer than %1 characters; the rest is left out.")
                                .arg(QLocale(QLocale::English).toString(kNotesLimit));
    }
    return report;
}
