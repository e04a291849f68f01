#include "record/VisitRecord.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QJsonDocument>

#include "record/RecordFolder.h"
#include "record/RecordWriter.h"

namespace {

QByteArray Line(const QJsonObject& event) {
    return QJsonDocument(event).toJson(QJsonDocument::Compact);
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
                      {"host", origin.host}});
}

VisitRecord::~VisitRecord() {
    if (writer_ && !finished_) {
        if (const QString unwritten = Finish(RecordWriter::kExitWait); !unwritten.isEmpty()) {
            qWarning("%s", qPrintable(unwritten));
        }
    }
}

void VisitRecord::Event(const char* kind, QJsonObject values) {
    if (values.contains(QStringLiteral("port"))) {
        port_ = values.value(QStringLiteral("port")).toString();
        device_ = values.value(QStringLiteral("device")).toString();
    } else if (!port_.isEmpty()) {
        values.insert(QStringLiteral("port"), port_);
        values.insert(QStringLiteral("device"), device_);
    }
    values.insert(QStringLiteral("event"), QLatin1String(kind));
    values.insert(QStringLiteral("time"), TimeText(QDateTime::currentDateTime()));
    Store(std::move(values));
    if (changed_) {
        changed_();
    }
}

void VisitRecord::Store(QJsonObject event) {
    if (writer_) {
        writer_->Append(Line(event));
    }
    events_.append(std::move(event));
}

QString VisitRecord::WriteTo(const QString& folder) {
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("The records folder %1 could not be created.").arg(folder);
    }
    // The writer calls the handler through a shared pointer, so that it may be set later.
    auto writer = std::make_unique<RecordWriter>(folder, RecordFolder::FileStem(started_),
                                                 [failed = failed_](const QString& message) {
                                                     if (*failed) {
                                                         (*failed)(message);
                                                     }
                                                 });
    if (!writer->IsOpen()) {
        return QStringLiteral("The service record %1 could not be created: %2")
            .arg(writer->Path(), writer->OpenError());
    }
    for (const QJsonObject& event : events_) {
        writer->Append(Line(event));
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
