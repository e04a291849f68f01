#include "record/ReportIssues.h"

#include <algorithm>

#include "record/VisitRecord.h"

ReportIssues::Issue ReportIssues::FromEvent(const QJsonObject& event) {
    const auto text = [&event](const char* name) {
        return event.value(QLatin1String(name)).toString();
    };
    // The date of issue the document shows; the event's own time where it is not given.
    const QString issued =
        event.contains(QStringLiteral("date_of_issue")) ? text("date_of_issue") : text("time");
    return {text("report_number"),
            std::max(0, event.value(QStringLiteral("revision")).toInt()),
            QDateTime::fromString(issued, Qt::ISODateWithMs),
            text("file"),
            text("sha256"),
            text("content_sha256")};
}

QJsonObject ReportIssues::Fields(const Issue& issue) {
    return {{"report_number", issue.reportNumber},
            {"revision", issue.revision},
            {"date_of_issue", VisitRecord::TimeText(issue.time)},
            {"file", issue.file},
            {"sha256", issue.sha256},
            {"content_sha256", issue.contentSha256}};
}

namespace {

// The first document issued of a revision: its date of issue is the revision's.
QDateTime FirstIssued(const std::vector<ReportIssues::Issue>& issues, int revision) {
    for (const ReportIssues::Issue& issue : issues) {
        if (issue.revision == revision) {
            return issue.time;
        }
    }
    return {};
}

}  // namespace

ReportIssues::Revision ReportIssues::Next(const std::vector<Issue>& earlier,
                                          const QString& contentSha256) {
    if (earlier.empty()) {
        return {};
    }
    // The latest revision, and the last document issued of it.
    const Issue* latest = &earlier.front();
    for (const Issue& issue : earlier) {
        if (issue.revision >= latest->revision) {
            latest = &issue;
        }
    }
    Revision next;
    next.number = latest->contentSha256 == contentSha256 ? latest->revision : latest->revision + 1;
    if (next.number > 0) {
        next.supersedes = next.number - 1;
        next.supersededIssued = FirstIssued(earlier, next.number - 1);
    }
    return next;
}
