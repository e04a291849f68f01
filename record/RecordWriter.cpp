#include "record/RecordWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

RecordWriter::RecordWriter(const QString& path, FailureHandler onFailure)
    : path_(path), onFailure_(std::move(onFailure)) {
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        openError_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    thread_ = std::thread([this] { Run(); });
}

RecordWriter::~RecordWriter() {
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void RecordWriter::Append(QByteArray line) {
    line.append('\n');
    {
        const std::lock_guard lock(mutex_);
        if (failed_ || fd_ < 0) {
            return;
        }
        queue_.push_back(std::move(line));
    }
    wake_.notify_one();
}

void RecordWriter::Drain() {
    std::unique_lock lock(mutex_);
    drained_.wait(lock, [this] { return failed_ || fd_ < 0 || (queue_.empty() && !writing_); });
}

bool RecordWriter::HasFailed() const {
    const std::lock_guard lock(mutex_);
    return failed_;
}

void RecordWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;  // stopping, and everything is written
        }
        const QByteArray line = std::move(queue_.front());
        queue_.pop_front();
        writing_ = true;
        lock.unlock();
        const int error = WriteLine(line);
        lock.lock();
        writing_ = false;
        if (error != 0) {
            failed_ = true;
            queue_.clear();
            const QString message = QStringLiteral("The service record %1 could not be written: %2")
                                        .arg(path_, QString::fromLocal8Bit(std::strerror(error)));
            drained_.notify_all();
            lock.unlock();
            if (onFailure_) {
                onFailure_(message);
            }
            return;
        }
        if (queue_.empty()) {
            drained_.notify_all();
        }
    }
}

int RecordWriter::WriteLine(const QByteArray& line) {
    const char* data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, static_cast<std::size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += written;
        left -= written;
    }
    // Devices and some file systems cannot sync; the line is written all the same.
    if (::fdatasync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
        return errno;
    }
    return 0;
}
