#include "report/ServiceReport.h"

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
