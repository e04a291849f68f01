#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "history/DatabaseUrl.h"
#include "history/HistoryIndex.h"

class AcceptanceLimits;

// Sends the service records of a folder that the organisation's database lacks, or that grew
// since they were sent, each with its visit in one transaction of its own.
class RecordPush {
  public:
    struct Result {
        int sent = 0;
        int alreadyThere = 0;
        QStringList notes;  // the files left out
        QString error;      // the database could not be reached or written; what was sent stays

        // "3 visits sent, 41 already there."
        QString Summary() const;
    };

    // `leftOut`: the record of a visit still under way, not sent.
    static Result Push(const DatabaseUrl& database, const QString& folder,
                       const AcceptanceLimits* limits, const QString& leftOut = QString());

    // The complete lines of the record at `path` as the database keeps them; none while the
    // file holds no complete line, or cannot be read.
    static std::optional<HistoryIndex::RecordCopy> CopyOf(const QString& path);
};
