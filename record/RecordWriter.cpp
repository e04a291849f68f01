#include "record/RecordWriter.h"

#include <unistd.h>

#include <QFile>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/DurableFile.h"

namespace {

const std::string kExtension = ".jsonl";

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

// Shared with the thread, so that a thread stuck on a stalled disk can be left behind.
struct RecordWriter::State {
    QString folder;
    QString stem;
    MessageHandler onMessage;
    // Replaced only by the writer's thread, under the mutex.
    platform::OwnedFd fd;
    QString path;

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable drained;
    std::deque<QByteArray> queue;
    std::size_t queuedBytes = 0;
    std::size_t unwritten = 0;
    bool writing = false;
    bool ended = false;      // no further lines are taken
    bool stopping = false;   // write what is queued, then end the thread
    bool abandoned = false;  // write nothing more
    bool threadDone = false;
    bool finished = false;
    std::size_t linesWritten = 0;  // by the writer's thread

    void Run();
    // A file that holds no whole line is no record: it is not left behind.
    void RemoveIfNoLine();
    // An empty text, or why the file ends. notice: the file was written again.
    QString Write(const QByteArray& line, QString& notice);
    QString StartAgain(QString& notice);
    void Tell(const QString& message) const {
        if (onMessage) {
            onMessage(message);
        }
    }
};

RecordWriter::RecordWriter(const QString& folder, const QString& stem, MessageHandler onMessage)
    : state_(std::make_shared<State>()) {
    state_->folder = folder;
    state_->stem = stem;
    state_->onMessage = std::move(onMessage);
    platform::NewFile file =
        platform::CreateNewFile(QFile::encodeName(folder).toStdString(),
                                QFile::encodeName(stem).toStdString(), kExtension, kFileMode);
    state_->path = QFile::decodeName(QByteArray::fromStdString(file.path));
    if (file.error != 0) {
        openError_ = ErrorText(file.error);
        state_->threadDone = true;
        return;
    }
    state_->fd = std::move(file.fd);
    thread_ = std::thread([state = state_] { state->Run(); });
}

RecordWriter::~RecordWriter() {
    if (thread_.joinable()) {
        Finish(kExitWait);
    }
}

bool RecordWriter::IsOpen() const {
    return openError_.isEmpty();
}

QString RecordWriter::Path() const {
    const std::lock_guard lock(state_->mutex);
    return state_->path;
}

void RecordWriter::Append(QByteArray line) {
    line.append('\n');
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    if (s.ended || s.finished || !IsOpen()) {
        ++s.unwritten;
        return;
    }
    if (!s.queue.empty() &&
        s.queuedBytes + static_cast<std::size_t>(line.size()) > kQueueLimitBytes) {
        s.ended = true;
        ++s.unwritten;
        const QString message =
            QStringLiteral(
                "The disk is not taking the service record %1 in time: the file ends with the "
                "events queued so far, and the rest of the visit is kept for the report only.")
                .arg(s.path);
        lock.unlock();
        s.Tell(message);
        return;
    }
    s.queuedBytes += static_cast<std::size_t>(line.size());
    s.queue.push_back(std::move(line));
    lock.unlock();
    s.wake.notify_one();
}

void RecordWriter::Drain() {
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    s.drained.wait(lock, [&s] { return s.threadDone || (s.queue.empty() && !s.writing); });
}

bool RecordWriter::HasFailed() const {
    const std::lock_guard lock(state_->mutex);
    return state_->ended;
}

std::size_t RecordWriter::Finish(std::chrono::milliseconds wait) {
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    if (s.finished) {
        return s.unwritten;
    }
    s.finished = true;
    s.stopping = true;
    s.wake.notify_one();
    const bool done = s.drained.wait_for(lock, wait, [&s] { return s.threadDone; });
    if (!done) {
        // The line being written may yet reach the disk; it is not known to.
        s.abandoned = true;
        s.unwritten += s.queue.size() + (s.writing ? 1 : 0);
        s.queue.clear();
        s.queuedBytes = 0;
        s.wake.notify_one();
    }
    const std::size_t unwritten = s.unwritten;
    lock.unlock();
    if (thread_.joinable()) {
        if (done) {
            thread_.join();
        } else {
            thread_.detach();
        }
    }
    return unwritten;
}

void RecordWriter::State::Run() {
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || abandoned || !queue.empty(); });
        if (queue.empty() || abandoned) {
            break;
        }
        const QByteArray line = std::move(queue.front());
        queue.pop_front();
        queuedBytes -= static_cast<std::size_t>(line.size());
        writing = true;
        lock.unlock();
        QString notice;
        const QString failure = Write(line, notice);
        if (failure.isEmpty()) {
            ++linesWritten;
        } else {
            RemoveIfNoLine();
        }
        lock.lock();
        if (abandoned) {
            break;  // the line was counted as not written
        }
        if (!failure.isEmpty()) {
            ended = true;
            unwritten += 1 + queue.size();
            queue.clear();
            queuedBytes = 0;
        }
        // Told while still writing, so that Drain() returns only after the telling.
        if (!notice.isEmpty() || !failure.isEmpty()) {
            lock.unlock();
            Tell(failure.isEmpty() ? notice : failure);
            lock.lock();
        }
        writing = false;
        if (!failure.isEmpty()) {
            break;
        }
        if (queue.empty()) {
            drained.notify_all();
        }
    }
    threadDone = true;
    drained.notify_all();
}

void RecordWriter::State::RemoveIfNoLine() {
    const std::string name = QFile::encodeName(path).toStdString();
    if (linesWritten == 0 && platform::IsStillNamed(fd.Get(), name) &&
        ::unlink(name.c_str()) == 0) {
        platform::SyncFolder(QFile::encodeName(folder).toStdString());
    }
}

QString RecordWriter::State::Write(const QByteArray& line, QString& notice) {
    if (!platform::IsStillNamed(fd.Get(), QFile::encodeName(path).toStdString())) {
        if (QString failure = StartAgain(notice); !failure.isEmpty()) {
            return failure;
        }
    }
    int error = platform::WriteFully(fd.Get(), {line.constData(), std::size_t(line.size())});
    if (error == 0) {
        error = platform::SyncData(fd.Get());
    }
    if (error != 0) {
        return QStringLiteral("The service record %1 could not be written: %2")
            .arg(path, ErrorText(error));
    }
    return {};
}

QString RecordWriter::State::StartAgain(QString& notice) {
    const QString failure =
        QStringLiteral(
            "The service record %1 was removed or moved away and could not be written "
            "again: %2")
            .arg(path);
    if (platform::MakeFolders(QFile::encodeName(folder).toStdString(), kFolderMode) != 0) {
        return failure.arg(QStringLiteral("the folder %1 could not be made.").arg(folder));
    }
    platform::NewFile file =
        platform::CreateNewFile(QFile::encodeName(folder).toStdString(),
                                QFile::encodeName(stem).toStdString(), kExtension, kFileMode);
    int error = file.error;
    if (error == 0) {
        error = platform::CopyContents(fd.Get(), file.fd.Get());
    }
    if (error == 0) {
        error = platform::SyncData(file.fd.Get());
    }
    if (error != 0) {
        return failure.arg(ErrorText(error));
    }
    const QString newPath = QFile::decodeName(QByteArray::fromStdString(file.path));
    notice = QStringLiteral(
                 "The service record %1 was removed or moved away. It is written again, "
                 "with the visit so far, as %2.")
                 .arg(path, newPath);
    const std::lock_guard lock(mutex);
    fd = std::move(file.fd);
    path = newPath;
    return {};
}
