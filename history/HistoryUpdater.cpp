#include "history/HistoryUpdater.h"

#include "history/BackgroundPush.h"
#include "history/HistoryIndex.h"
#include "history/HistorySource.h"
#include "record/AcceptanceLimits.h"
#include "report/ReportSettings.h"

HistoryUpdater::HistoryUpdater(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {}

HistoryUpdater::~HistoryUpdater() {
    push_.reset();
    if (started_.joinable()) {
        started_.join();
    }
}

void HistoryUpdater::Start(const QString& current) {
    if (!started_.joinable()) {
        started_ =
            std::thread([folder = folder_] { UpdateOnce(HistoryIndex::PathFor(folder), folder); });
    }
    QString error;
    std::optional<DatabaseUrl> organisation = HistorySource::Organisation(error);
    if (!error.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, error] { emit PushFailed(BackgroundPush::FailureText(error)); },
            Qt::QueuedConnection);
    }
    if (organisation && push_ == nullptr) {
        push_ = std::make_unique<BackgroundPush>(
            std::move(*organisation), folder_,
            [this](const QString& message) {
                QMetaObject::invokeMethod(
                    this, [this, message] { emit PushFailed(message); }, Qt::QueuedConnection);
            },
            current);
    }
}

QStringList HistoryUpdater::Finish() {
    if (started_.joinable()) {
        started_.join();
    }
    if (push_ != nullptr) {
        push_->Request();
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
