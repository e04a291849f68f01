#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

#include "record/VisitRecorder.h"

class RecordWriter;

// The record of the program's visit: every event kept in memory for the report and, once a
// file is given, appended to it as one line of JSON each. The first event, "visit", holds
// the format's version and who and what made the record.
class VisitRecord : public VisitRecorder {
  public:
    static constexpr int kVersion = 1;

    struct Origin {
        QString programVersion;
        QString user;
        QString host;
    };

    explicit VisitRecord(const Origin& origin, const QDateTime& started = QDateTime());
    ~VisitRecord() override;
    VisitRecord(const VisitRecord&) = delete;
    VisitRecord& operator=(const VisitRecord&) = delete;

    // Adds the time, and the port and device of the last discovery.
    void Event(const char* kind, QJsonObject values) override;

    // Starts a new file <folder>/<start time>.jsonl (or <start time>-2.jsonl... when another
    // program took that name) with every event so far. On failure the record stays in memory
    // only, and the reason is returned.
    QString WriteTo(const QString& folder);
    // Told, on the writer's thread or the caller's, when the file ends early (a failed write,
    // a disk that does not keep up) or is written again after it was removed. Set before
    // WriteTo().
    void SetFailureHandler(std::function<void(const QString&)> handler);
    // Waits at most wait for the file to take the events so far and ends the writing; what
    // is not in the file (empty when everything is).
    QString Finish(std::chrono::milliseconds wait);
    // Told after each event, on the caller's thread.
    void SetChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }
    // Blocks until the file holds every event so far.
    void Drain() const;

    const QList<QJsonObject>& Events() const { return events_; }
    QString FilePath() const;
    const QDateTime& Started() const { return started_; }

    // The time stamp of an event, local time with its offset and milliseconds.
    static QString TimeText(const QDateTime& time);
    // The login name of the user running the program.
    static QString UserName();

  private:
    void Store(QJsonObject event);

    QDateTime started_;
    QList<QJsonObject> events_;
    QString port_;
    QString device_;
    std::shared_ptr<std::function<void(const QString&)>> failed_;
    std::unique_ptr<RecordWriter> writer_;
    bool finished_ = false;
    std::function<void()> changed_;
};
