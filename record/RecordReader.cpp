#include "record/RecordReader.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

#include "record/VisitRecord.h"

namespace {

bool IsVisitHeader(const QJsonObject& event) {
    return event.value(QStringLiteral("event")).toString() == QStringLiteral("visit") &&
           event.value(QStringLiteral("version")).isDouble();
}

}  // namespace

ReadRecord RecordReader::Read(const QString& path) {
    ReadRecord record;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        record.error = QStringLiteral("%1 could not be opened: %2").arg(name, file.errorString());
        return record;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    // The text after the last line end: empty for a whole file, else a line cut off.
    const qsizetype lastLine = lines.size() - 1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.trimmed().isEmpty()) {
            continue;
        }
        QJsonParseError parseError{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        const bool isEvent = parseError.error == QJsonParseError::NoError && document.isObject() &&
                             document.object().value(QStringLiteral("event")).isString();
        if (record.events.isEmpty()) {
            if (!isEvent || !IsVisitHeader(document.object())) {
                record.error = QStringLiteral("%1 is not a service record.").arg(name);
                return record;
            }
            const int version = document.object().value(QStringLiteral("version")).toInt();
            if (version > VisitRecord::kVersion) {
                record.notes << QStringLiteral(
                                    "The record was written by a later version (%1); what this "
                                    "version does not know is left out.")
                                    .arg(version);
            }
        } else if (!isEvent) {
            record.notes
                << (i == lastLine
                        ? QStringLiteral("The last event was cut off and is left out.")
                        : QStringLiteral("Line %1 is not an event and is left out.").arg(i + 1));
            continue;
        }
        record.events.append(document.object());
    }
    if (record.events.isEmpty()) {
        record.error = QStringLiteral("%1 is not a service record.").arg(name);
    }
    return record;
}
