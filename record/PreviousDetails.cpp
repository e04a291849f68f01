#include "record/PreviousDetails.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <algorithm>

#include "record/CardIdentity.h"
#include "record/RecordFolder.h"
#include "record/RecordReader.h"

namespace {

// The record's last discovery and last details, from only the lines that can hold them.
struct Scanned {
    QString identity;
    QString port;
    std::optional<QJsonObject> details;
};

Scanned Scan(const QString& path) {
    Scanned scanned;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return scanned;
    }
    qint64 total = 0;
    while (!file.atEnd() && total < RecordReader::kTotalLimitBytes) {
        const QByteArray line = file.readLine(RecordReader::kLineLimitBytes);
        total += line.size();
        const bool discovery = line.contains("\"discovery\"");
        if (!discovery && !line.contains("\"report_details\"")) {
            continue;
        }
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        const QString kind = event.value(QStringLiteral("event")).toString();
        if (kind == QStringLiteral("discovery")) {
            scanned.identity = CardIdentity(event.value(QStringLiteral("lines")).toArray());
            scanned.port = event.value(QStringLiteral("port")).toString();
        } else if (kind == QStringLiteral("report_details")) {
            scanned.details = event;
        }
    }
    return scanned;
}

}  // namespace

std::optional<QJsonObject> PreviousDetails::Find(const QString& folder, const QString& identity,
                                                 const QString& port, const QString& skipPath) {
    if (identity.isEmpty()) {
        return std::nullopt;
    }
    QFileInfoList records =
        QDir(folder).entryInfoList({QStringLiteral("*.jsonl")}, QDir::Files, QDir::NoSort);
    std::sort(records.begin(), records.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return RecordFolder::StartedBefore(b.fileName(), a.fileName());  // the newest first
    });
    int looked = 0;
    for (const QFileInfo& record : records) {
        if (record.absoluteFilePath() == QFileInfo(skipPath).absoluteFilePath()) {
            continue;
        }
        if (++looked > kMostRecords) {
            break;
        }
        const Scanned scanned = Scan(record.absoluteFilePath());
        if (scanned.details && scanned.identity == identity && scanned.port == port) {
            return scanned.details;
        }
    }
    return std::nullopt;
}
