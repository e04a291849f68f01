#include "platform/ExclusiveDevice.h"

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
        return false;
    }
    const int fd = ::open(path.c_str(), (flags & ~O_CREAT) | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    terminal_ = ::isatty(fd) == 1;
    if (terminal_ && ::ioctl(fd, TIOCEXCL) != 0) {
        ::flock(fd, LOCK_UN);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
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
