#include "history/LastVisitDetails.h"

#include <QFileInfo>

#include "history/HistoryIndex.h"
#include "record/RecordReader.h"

std::optional<QJsonObject> LastVisitDetails::Find(const QString& recordsFolder,
                                                  const QString& serialNumber,
                                                  const QString& skipRecord) {
    HistoryIndex index(HistoryIndex::PathFor(recordsFolder));
    QString error;
    if (serialNumber.isEmpty() || !index.Open(error)) {
        return std::nullopt;
    }
    const QString skipped =
        skipRecord.isEmpty() ? QString() : QFileInfo(skipRecord).absoluteFilePath();
    const std::vector<VisitSummary> visits = index.Visits(serialNumber);
    for (auto visit = visits.rbegin(); visit != visits.rend(); ++visit) {
        if (QFileInfo(visit->record).absoluteFilePath() == skipped) {
            continue;
        }
        std::optional<QJsonObject> details;
        RecordReader::Read(
            visit->record,
            [&details](const QJsonObject& event) {
                if (event.value(QStringLiteral("event")).toString() ==
                    QStringLiteral("report_details")) {
                    details = event;
                }
            },
            RecordReader::Samples::Skipped);
        return details;
    }
    return std::nullopt;
}
