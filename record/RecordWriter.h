#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>

// Appends lines to a file of its own on a thread of its own: each line is written and synced
// to the disk before the next, so that a crash or a power cut loses at most the line being
// written and the lines still queued behind it. The caller never waits for the disk: at most
// kQueueLimitBytes wait in the queue; a line beyond that ends the file (the disk does not keep
// up), and so does the first failed write or sync (a full disk). Either is told once. A file
// removed or moved away (its folder removed or renamed) is noticed before the next line and
// written again, with every line so far, under its folder's path, which is made anew.
class RecordWriter {
  public:
    // Told, on the writer's thread or the caller's, what the user should know: the file
    // ended, or was written again.
    using MessageHandler = std::function<void(const QString& message)>;

    static constexpr std::size_t kQueueLimitBytes = 1024 * 1024;
    // Records hold customers' names and notes: for the user alone.
    static constexpr unsigned kFileMode = 0600;
    static constexpr unsigned kFolderMode = 0700;

    // Creates <folder>/<stem>.jsonl, or <stem>-2.jsonl, -3... when that name is taken;
    // IsOpen() tells whether that worked.
    RecordWriter(const QString& folder, const QString& stem, MessageHandler onMessage);
    // Finish(kExitWait), unless finished before.
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    static constexpr std::chrono::milliseconds kExitWait{5000};

    bool IsOpen() const;
    // Why the file could not be created.
    const QString& OpenError() const { return openError_; }
    // The file written now: it changes when the file is written again.
    QString Path() const;

    // Queues one line; the line end is added. Lines after the file ended are only counted.
    void Append(QByteArray line);
    // Blocks until every queued line is on the disk or the file has ended.
    void Drain();
    // The file ended early: a failed write or sync, or a full queue.
    bool HasFailed() const;
    // Waits at most wait for the queued lines to reach the disk, then stops the writing:
    // further lines are only counted. Returns the number of lines given to Append() that are
    // not known to be in the file (after the file ended, or still waiting for the disk).
    std::size_t Finish(std::chrono::milliseconds wait);

  private:
    struct State;

    std::shared_ptr<State> state_;
    QString openError_;
    std::thread thread_;
};
