#include "history/HistorySource.h"

#include <QSettings>

#include "history/HistoryIndex.h"

namespace {

const QString kDatabaseKey = QStringLiteral("history/database");

QSettings Settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("merrowby"),
                     QStringLiteral("merrowby"));
}

}  // namespace

std::optional<DatabaseUrl> HistorySource::Organisation(QString& error) {
    const QString url = Settings().value(kDatabaseKey).toString();
    return url.isEmpty() ? std::nullopt : DatabaseUrl::Parse(url, error);
}

void HistorySource::SetOrganisation(const QString& url) {
    QSettings settings = Settings();
    if (url.isEmpty()) {
        settings.remove(kDatabaseKey);
    } else {
        settings.setValue(kDatabaseKey, url);
    }
}

std::unique_ptr<HistoryIndex> HistorySource::Open(const QString& localPath, QString& note) {
    QString error;
    if (std::optional<DatabaseUrl> organisation = Organisation(error)) {
        auto index = std::make_unique<HistoryIndex>(std::move(*organisation));
        if (index->Open(error)) {
            return index;
        }
    }
    if (!error.isEmpty()) {
        note = QStringLiteral(
                   "The organisation's database cannot be reached (%1): the history "
                   "shown is that of this computer's records.")
                   .arg(error);
    }
    auto index = std::make_unique<HistoryIndex>(localPath);
    return index->Open(error) ? std::move(index) : nullptr;
}
