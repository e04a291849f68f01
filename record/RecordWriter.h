#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Appends lines to one file on a thread of its own: each line is written and flushed to the
// disk before the next, so that a crash or a power cut loses at most the line being written.
// The first failed write (a full disk) stops the writing for good and tells the failure
// handler once, on the writer's thread.
class RecordWriter {
  public:
    using FailureHandler = std::function<void(const QString& message)>;

    // Creates the file (or appends to it); IsOpen() tells whether that worked.
    RecordWriter(const QString& path, FailureHandler onFailure);
    // Writes what is queued, then ends the thread.
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Why the file could not be created.
    const QString& OpenError() const { return openError_; }
    const QString& Path() const { return path_; }

    // Queues one line; the line end is added. Nothing after a failure.
    void Append(QByteArray line);
    // Blocks until every queued line is on the disk or the writing has failed.
    void Drain();
    bool HasFailed() const;

  private:
    void Run();
    // 0, or the errno of the failed write.
    int WriteLine(const QByteArray& line);

    const QString path_;
    FailureHandler onFailure_;
    int fd_ = -1;
    QString openError_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    std::deque<QByteArray> queue_;
    bool writing_ = false;
    bool stopping_ = false;
    bool failed_ = false;
    std::thread thread_;
};
