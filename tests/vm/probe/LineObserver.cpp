#include "tests/vm/probe/LineObserver.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

LineObserver::LineObserver(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ >= 0) {
        const int rts = TIOCM_RTS;
        ::ioctl(fd_, TIOCMBIC, &rts);  // the kernel raises it on every open
    }
}

LineObserver::~LineObserver() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}
