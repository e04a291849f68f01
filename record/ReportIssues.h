#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

// The documents issued of one visit's report, as its record holds them ("report_issued"), and
// the revision the next one gets. A document's content is what it says but for its date of
// issue and revision (and its file's name, which it does not say): the same content issued
// again keeps the revision of the latest issue, other content gets the next.
class ReportIssues {
  public:
    struct Issue {
        QString reportNumber;
        int revision = 0;
        QDateTime time;
        QString file;           // the file written; empty when printed on paper
        QString sha256;         // of the file's bytes; empty without a file
        QString contentSha256;  // of the content
    };
    struct Revision {
        int number = 0;
        // The revision this one supersedes and the date of issue of its first document; none
        // for revision 0.
        std::optional<int> supersedes;
        QDateTime supersededIssued;

        bool operator==(const Revision&) const = default;
    };

    static Issue FromEvent(const QJsonObject& event);
    // The fields of a "report_issued" event (its time is the event's).
    static QJsonObject Fields(const Issue& issue);

    // The revision of a document whose content has the digest contentSha256, after the
    // issues `earlier` (in the order they were made).
    static Revision Next(const std::vector<Issue>& earlier, const QString& contentSha256);
};
