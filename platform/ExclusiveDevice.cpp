#include "platform/ExclusiveDevice.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

ExclusiveDevice::~ExclusiveDevice() {
    Close();
}

bool ExclusiveDevice::Open(const std::string& path, int flags) {
    Close();
    if (path.empty()) {
        return Fail(-1, ENOENT);
    }
    const int fd = ::open(path.c_str(), (flags & ~O_CREAT) | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return Fail(-1, errno);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return Fail(fd, errno);
    }
    terminal_ = ::isatty(fd) == 1;
    if (terminal_ && ::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::flock(fd, LOCK_UN);
        terminal_ = false;
        return Fail(fd, error);
    }
    fd_ = fd;
    openError_ = 0;
    return true;
}

bool ExclusiveDevice::Fail(int fd, int error) {
    if (fd >= 0) {
        ::close(fd);
    }
    openError_ = error;
    return false;
}

void ExclusiveDevice::Close() {
    if (fd_ < 0) {
        return;
    }
    if (terminal_) {
        ::ioctl(fd_, TIOCNXCL);
    }
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    terminal_ = false;
}

}  // namespace platform
