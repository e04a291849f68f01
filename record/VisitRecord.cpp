#include "record/VisitRecord.h"

#include <pwd.h>
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cstring>

#include "platform/DurableFile.h"
#include "record/RecordFolder.h"
#include "record/RecordWriter.h"
#include "record/ReportNumber.h"

namespace {

QByteArray Line(const QJsonObject& event) {
    return QJsonDocument(event).toJson(QJsonDocument::Compact);
}

// A dump sample's values as the window gives them: only its four currents.
bool IsPlainSample(const char* kind, const QJsonObject& values) {
    if (qstrcmp(kind, "dump_sample") != 0 || values.size() != 1) {
        return false;
    }
    const QJsonArray currents = values.value(QStringLiteral("milliamps")).toArray();
    return currents.size() == 4 &&
           std::all_of(currents.begin(), currents.end(),
                       [](const QJsonValue& current) { return current.isDouble(); });
}

}  // namespace

VisitRecord::VisitRecord(const Origin& origin, const QDateTime& started)
    : started_(started.isValid() ? started : QDateTime::currentDateTime()),
      failed_(std::make_shared<std::function<void(const QString&)>>()) {
    Store(QJsonObject{{"event", "visit"},
                      {"version", kVersion},
                      {"time", TimeText(started_)},
                      {"program", "Merrowby"},
                      {"program_version", origin.programVersion},
                      {"user", origin.user},
                      {"host", origin.host},
                      {"report_number", ReportNumber::New(started_)}});
}

VisitRecord::~VisitRecord() {
    if (writer_ && !finished_) {
        if (const QString unwritten = Finish(RecordWriter::kExitWait); !unwritten.isEmpty()) {
            qWarning("%s", qPrintable(unwritten));
        }
    }
}

void VisitRecord::Event(const char* kind, QJsonObject values) {
    const bool plainSample = IsPlainSample(kind, values);
    if (values.contains(QStringLiteral("port"))) {
        NotePort(values.value(QStringLiteral("port")).toString(),
                 values.value(QStringLiteral("device")).toString());
    } else if (!port_.isEmpty()) {
        values.insert(QStringLiteral("port"), port_);
        values.insert(QStringLiteral("device"), device_);
    }
    const QDateTime now = QDateTime::currentDateTime();
    values.insert(QStringLiteral("event"), QLatin1String(kind));
    values.insert(QStringLiteral("time"), TimeText(now));
    if (plainSample) {
        if (writer_) {
            writer_->Append(Line(values));
        }
        DumpSample sample{now.toMSecsSinceEpoch(), now.offsetFromUtc(), {}};
        const QJsonArray currents = values.value(QStringLiteral("milliamps")).toArray();
        for (std::size_t c = 0; c < sample.milliamps.size(); ++c) {
            sample.milliamps[c] = currents[static_cast<qsizetype>(c)].toDouble();
        }
        kept_.emplace_back(sample);
    } else {
        Store(std::move(values));
    }
    if (changed_) {
        changed_();
    }
}

void VisitRecord::NotePort(const QString& port, const QString& device) {
    port_ = port;
    device_ = device;
    if (ports_.empty() || ports_.back().port != port_ || ports_.back().device != device_) {
        ports_.push_back({EventCount(), port_, device_});
    }
}

void VisitRecord::Store(QJsonObject event) {
    if (writer_) {
        writer_->Append(Line(event));
    }
    kept_.emplace_back(std::move(event));
}

QJsonObject VisitRecord::EventAt(qsizetype index) const {
    const Kept& kept = kept_[static_cast<std::size_t>(index)];
    if (const auto* event = std::get_if<QJsonObject>(&kept)) {
        return *event;
    }
    const DumpSample& sample = std::get<DumpSample>(kept);
    QJsonObject event{
        {"event", "dump_sample"},
        {"time", TimeText(QDateTime::fromMSecsSinceEpoch(sample.msecsSinceEpoch, Qt::OffsetFromUTC,
                                                         sample.offsetSeconds))},
        {"milliamps", QJsonArray{sample.milliamps[0], sample.milliamps[1], sample.milliamps[2],
                                 sample.milliamps[3]}}};
    const auto after =
        std::upper_bound(ports_.begin(), ports_.end(), index,
                         [](qsizetype at, const PortChange& change) { return at < change.from; });
    if (after != ports_.begin() && !std::prev(after)->port.isEmpty()) {
        event.insert(QStringLiteral("port"), std::prev(after)->port);
        event.insert(QStringLiteral("device"), std::prev(after)->device);
    }
    return event;
}

QList<QJsonObject> VisitRecord::Events() const {
    QList<QJsonObject> events;
    events.reserve(EventCount());
    for (qsizetype i = 0; i < EventCount(); ++i) {
        events.append(EventAt(i));
    }
    return events;
}

QList<QJsonObject> VisitRecord::EventsBesideSamples() const {
    QList<QJsonObject> events;
    for (const Kept& kept : kept_) {
        if (const auto* event = std::get_if<QJsonObject>(&kept)) {
            events.append(*event);
        }
    }
    return events;
}

void VisitRecord::Read(qsizetype from, const EventReader& event, const SampleReader& sample) const {
    for (qsizetype i = std::max<qsizetype>(from, 0); i < EventCount(); ++i) {
        const Kept& kept = kept_[static_cast<std::size_t>(i)];
        if (const auto* plain = std::get_if<DumpSample>(&kept)) {
            sample(plain->msecsSinceEpoch, plain->milliamps);
        } else {
            event(std::get<QJsonObject>(kept));
        }
    }
}

QJsonObject VisitRecord::LastEvent() const {
    return kept_.empty() ? QJsonObject() : EventAt(EventCount() - 1);
}

QString VisitRecord::WriteTo(const QString& folder) {
    if (const int error = platform::MakeFolders(QFile::encodeName(folder).toStdString(),
                                                RecordWriter::kFolderMode);
        error != 0) {
        return QStringLiteral("The records folder %1 could not be created: %2.")
            .arg(folder, QString::fromLocal8Bit(std::strerror(error)));
    }
    // The writer calls the handler through a shared pointer, so that it may be set later.
    auto writer = std::make_unique<RecordWriter>(folder, RecordFolder::FileStem(started_),
                                                 [failed = failed_](const QString& message) {
                                                     if (*failed) {
                                                         (*failed)(message);
                                                     }
                                                 });
    if (!writer->IsOpen()) {
        return QStringLiteral("The service record %1 could not be created: %2.")
            .arg(writer->Path(), writer->OpenError());
    }
    for (qsizetype i = 0; i < EventCount(); ++i) {
        writer->Append(Line(EventAt(i)));
    }
    writer_ = std::move(writer);
    return {};
}

void VisitRecord::SetFailureHandler(std::function<void(const QString&)> handler) {
    *failed_ = std::move(handler);
}

void VisitRecord::Drain() const {
    if (writer_) {
        writer_->Drain();
    }
}

QString VisitRecord::Finish(std::chrono::milliseconds wait) {
    if (!writer_) {
        return {};
    }
    finished_ = true;
    const std::size_t unwritten = writer_->Finish(wait);
    if (unwritten == 0) {
        return {};
    }
    if (unwritten == 1) {
        return QStringLiteral("1 event of this visit is not in the service record %1.")
            .arg(writer_->Path());
    }
    return QStringLiteral("%1 events of this visit are not in the service record %2.")
        .arg(unwritten)
        .arg(writer_->Path());
}

QString VisitRecord::FilePath() const {
    return writer_ ? writer_->Path() : QString();
}

QString VisitRecord::TimeText(const QDateTime& time) {
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString VisitRecord::UserName() {
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr) {
        return QString::fromLocal8Bit(entry->pw_name);
    }
    return qEnvironmentVariable("USER");
}
