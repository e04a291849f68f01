#include "history/HistoryUpdater.h"

#include "history/HistoryIndex.h"
#include "record/AcceptanceLimits.h"
#include "report/ReportSettings.h"

HistoryUpdater::HistoryUpdater(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {}

HistoryUpdater::~HistoryUpdater() {
    if (started_.joinable()) {
        started_.join();
    }
}

void HistoryUpdater::Start() {
    if (!started_.joinable()) {
        started_ =
            std::thread([folder = folder_] { UpdateOnce(HistoryIndex::PathFor(folder), folder); });
    }
}

QStringList HistoryUpdater::Finish() {
    if (started_.joinable()) {
        started_.join();
    }
    return UpdateOnce(HistoryIndex::PathFor(folder_), folder_);
}

QStringList HistoryUpdater::UpdateOnce(const QString& databasePath, const QString& folder) {
    QString error;
    std::optional<AcceptanceLimits> limits;
    if (const QString path = ReportSettings::AcceptanceLimitsPath(); !path.isEmpty()) {
        limits = AcceptanceLimits::Load(path, error);
    }
    HistoryIndex index(databasePath);
    if (!index.Open(error)) {
        return {QStringLiteral("The history index cannot be opened: %1").arg(error)};
    }
    const HistoryIndex::UpdateResult result = index.Update(folder, limits ? &*limits : nullptr);
    QStringList notes = result.notes;
    if (!result.error.isEmpty()) {
        notes << QStringLiteral("The history index could not be brought up to date: %1")
                     .arg(result.error);
    }
    return notes;
}
