#include "history/BackgroundPush.h"

#include "record/AcceptanceLimits.h"
#include "report/ReportSettings.h"

BackgroundPush::BackgroundPush(DatabaseUrl database, QString folder, FailureHandler onFailure,
                               QString current)
    : database_(std::move(database)),
      folder_(std::move(folder)),
      onFailure_(std::move(onFailure)),
      current_(std::move(current)),
      thread_([this] { Work(); }) {}

BackgroundPush::~BackgroundPush() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundPush::Request() {
    {
        const std::lock_guard lock(mutex_);
        ++requested_;
    }
    changed_.notify_all();
}

RecordPush::Result BackgroundPush::Wait() {
    std::unique_lock lock(mutex_);
    const int asked = requested_;
    changed_.wait(lock, [&] { return done_ >= asked; });
    return last_;
}

QString BackgroundPush::FailureText(const QString& error) {
    return QStringLiteral(
               "The service records could not be sent to the organisation's "
               "database: %1 They are sent at the next start or the next push.")
        .arg(error.endsWith(QLatin1Char('.')) ? error : error + QLatin1Char('.'));
}

void BackgroundPush::Work() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return done_ < requested_ || ending_; });
        if (done_ >= requested_) {
            return;
        }
        // Requests made while one push runs are served by the next.
        const int serving = requested_;
        const QString leftOut = serving == 1 ? current_ : QString();
        lock.unlock();
        QString error;
        std::optional<AcceptanceLimits> limits;
        if (const QString path = ReportSettings::AcceptanceLimitsPath(); !path.isEmpty()) {
            limits = AcceptanceLimits::Load(path, error);
        }
        RecordPush::Result result =
            RecordPush::Push(database_, folder_, limits ? &*limits : nullptr, leftOut);
        // Told once, before the push counts as done.
        if (!result.error.isEmpty() && !told_ && onFailure_) {
            onFailure_(FailureText(result.error));
        }
        lock.lock();
        told_ = told_ || !result.error.isEmpty();
        last_ = std::move(result);
        done_ = serving;
        changed_.notify_all();
    }
}
