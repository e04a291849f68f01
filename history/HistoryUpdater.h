#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <thread>

// Brings the default history index up to date with the records folder: once on a thread of
// its own as the program starts, so that the window never waits for it, and once more,
// waiting, when the visit ends.
class HistoryUpdater : public QObject {
    Q_OBJECT
  public:
    // For the records in `folder`, the index beside it.
    HistoryUpdater(QString folder, QObject* parent);
    ~HistoryUpdater() override;

    // Starts the update at the program's start.
    void Start();
    // Waits for the start's update, then takes in the visit just ended; the notes and errors.
    QStringList Finish();

    // One update of the index at `databasePath` from `folder`, with the acceptance limits of
    // the settings; the notes and errors. Runs on any thread.
    static QStringList UpdateOnce(const QString& databasePath, const QString& folder);

  private:
    QString folder_;
    std::thread started_;
};
