#include "record/RecordAppender.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <cerrno>
#include <cstring>

#include "platform/DurableFile.h"
#include "platform/OwnedFd.h"
#include "record/VisitRecord.h"

namespace {

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Whether the file's last byte ends a line (an empty file does too).
bool EndsWithLineEnd(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || status.st_size == 0) {
        return true;
    }
    char last = '\n';
    return ::pread(fd, &last, 1, status.st_size - 1) != 1 || last == '\n';
}

}  // namespace

QString RecordAppender::Append(const QString& path, const char* kind, QJsonObject values,
                               const QDateTime& time) {
    values.insert(QStringLiteral("event"), QLatin1String(kind));
    values.insert(QStringLiteral("time"), VisitRecord::TimeText(time));
    const platform::OwnedFd fd(
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_APPEND | O_CLOEXEC));
    if (!fd.IsValid()) {
        return ErrorText(errno);
    }
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return QStringLiteral("It is not a file.");
    }
    QByteArray line = QJsonDocument(values).toJson(QJsonDocument::Compact) + '\n';
    if (!EndsWithLineEnd(fd.Get())) {
        line.prepend('\n');
    }
    if (const int error =
            platform::WriteFully(fd.Get(), {line.constData(), std::size_t(line.size())});
        error != 0) {
        return ErrorText(error);
    }
    if (const int error = platform::SyncData(fd.Get()); error != 0) {
        return ErrorText(error);
    }
    return {};
}
