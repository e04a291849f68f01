#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

#include "record/VisitRecorder.h"

class RecordWriter;

// The record of the program's visit: every event kept in memory for the report and, once a
// file is given, appended to it as one line of JSON each. The first event, "visit", holds
// the format's version and who and what made the record. A dump sample is kept in memory in a
// compact form (48 bytes and its slot) and made into its event again when asked for.
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

    using SampleCurrents = std::array<double, 4>;
    using EventReader = std::function<void(const QJsonObject& event)>;
    using SampleReader =
        std::function<void(qint64 msecsSinceEpoch, const SampleCurrents& milliamps)>;

    // Every event so far, in order.
    QList<QJsonObject> Events() const;
    // Every event but the dump samples: what judging a survey needs.
    QList<QJsonObject> EventsBesideSamples() const;
    qsizetype EventCount() const { return static_cast<qsizetype>(kept_.size()); }
    // The events from index `from` on, in order: each dump sample to `sample` by its time and
    // currents, every other event to `event`.
    void Read(qsizetype from, const EventReader& event, const SampleReader& sample) const;
    QJsonObject LastEvent() const;
    QString FilePath() const;
    const QDateTime& Started() const { return started_; }

    // The time stamp of an event, local time with its offset and milliseconds.
    static QString TimeText(const QDateTime& time);
    // The login name of the user running the program.
    static QString UserName();

  private:
    struct DumpSample {
        qint64 msecsSinceEpoch = 0;
        qint32 offsetSeconds = 0;
        SampleCurrents milliamps{};
    };
    using Kept = std::variant<QJsonObject, DumpSample>;
    // The port and device the events from `from` on carry.
    struct PortChange {
        qsizetype from = 0;
        QString port;
        QString device;
    };

    void Store(QJsonObject event);
    void NotePort(const QString& port, const QString& device);
    QJsonObject EventAt(qsizetype index) const;

    QDateTime started_;
    std::deque<Kept> kept_;
    std::vector<PortChange> ports_;
    QString port_;
    QString device_;
    std::shared_ptr<std::function<void(const QString&)>> failed_;
    std::unique_ptr<RecordWriter> writer_;
    bool finished_ = false;
    std::function<void()> changed_;
};
