#include "app/DumpFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/DurableFile.h"

namespace {

// Non-blocking so that a FIFO without a reader fails instead of hanging the window.
constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
constexpr mode_t kNewFileMode = 0666;

}  // namespace

DumpFile::DumpFile(const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        cause_ = FileErrorCause::BadPath;
        return;
    }
    fd_ = ::open(path.c_str(), kAppendFlags);
    if (fd_ >= 0) {
        return;
    }
    if (errno != ENOENT) {
        cause_ = FileErrorCauseFromErrno(errno);
        return;
    }
    fd_ = ::open(path.c_str(), kAppendFlags | O_CREAT, kNewFileMode);
    if (fd_ >= 0) {
        return;
    }
    // The file was missing and cannot be created either: a folder of the path is missing.
    cause_ = errno == ENOENT ? FileErrorCause::BadPath : FileErrorCauseFromErrno(errno);
}

DumpFile::~DumpFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void DumpFile::Append(std::string_view bytes) {
    if (fd_ < 0) {
        return;
    }
    platform::WriteFully(fd_, bytes);
}
