#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <thread>

class BackgroundPush;

// Brings the default history index up to date with the records folder: once on a thread of
// its own as the program starts, so that the window never waits for it, and once more,
// waiting, when the visit ends. Where the settings name the organisation's database, the
// records are sent there likewise, on a thread of their own: at the start what could not be
// sent before, at the end the visit just ended.
class HistoryUpdater : public QObject {
    Q_OBJECT
  public:
    // For the records in `folder`, the index beside it.
    HistoryUpdater(QString folder, QObject* parent);
    ~HistoryUpdater() override;  // waits for the push asked for at the end

    // Starts the update at the program's start; `current` is the record of this visit.
    void Start(const QString& current = QString());
    // Waits for the start's update, then takes in the visit just ended; the notes and errors.
    QStringList Finish();

    // One update of the index at `databasePath` from `folder`, with the acceptance limits of
    // the settings; the notes and errors. Runs on any thread.
    static QStringList UpdateOnce(const QString& databasePath, const QString& folder);

  signals:
    // The first push that could not be sent, in the window's thread.
    void PushFailed(const QString& message);

  private:
    QString folder_;
    std::thread started_;
    std::unique_ptr<BackgroundPush> push_;
};
