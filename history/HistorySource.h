#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "history/DatabaseUrl.h"

class HistoryIndex;

// Where the history is read: the organisation's database when the settings name one
// (~/.config/merrowby/merrowby.conf, group "history", key "database") and it can be reached,
// otherwise the index of this computer's records.
class HistorySource {
  public:
    // The organisation's database of the settings; empty when none is set, or with the
    // reason in `error` when what is set is no database URL.
    static std::optional<DatabaseUrl> Organisation(QString& error);
    static void SetOrganisation(const QString& url);

    // The history opened; null when neither can be. `note` says when the organisation's
    // database was set but the local index is read instead.
    static std::unique_ptr<HistoryIndex> Open(const QString& localPath, QString& note);
};
