#include "report/ServiceReport.h"

#include "record/RecordReader.h"
#include "record/SampleLine.h"
#include "report/ServiceReportBuilder.h"

ServiceReport ServiceReport::FromEvents(const QList<QJsonObject>& events,
                                        const QStringList& readNotes) {
    return FromEvents(events, readNotes, nullptr);
}

ServiceReport ServiceReport::FromEvents(const QList<QJsonObject>& events,
                                        const QStringList& readNotes,
                                        const AcceptanceLimits* limits) {
    ServiceReportBuilder builder;
    builder.SetAcceptanceLimits(limits);
    for (const QJsonObject& event : events) {
        builder.Add(event);
    }
    return builder.Report(readNotes);
}

ServiceReport ServiceReport::FromRecord(const QString& path, const AcceptanceLimits* limits,
                                        QString& error, bool limitsOverRecord) {
    ServiceReportBuilder builder;
    builder.SetAcceptanceLimits(limits, limitsOverRecord);
    const ReadRecord read = RecordReader::Read(
        path, [&builder](const QJsonObject& event) { builder.Add(event); },
        [&builder](const SampleLine& sample) { builder.Add(sample); });
    error = read.error;
    return read.IsRecord() ? builder.Report(read.notes) : ServiceReport();
}
