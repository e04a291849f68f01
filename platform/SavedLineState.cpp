#include "platform/SavedLineState.h"

#include <sys/ioctl.h>

namespace platform {

namespace {

constexpr int kDrivenLines = TIOCM_RTS | TIOCM_DTR;

}  // namespace

void SavedLineState::Save(int fd) {
    termios attributes{};
    attributes_.reset();
    modemLines_.reset();
    if (::tcgetattr(fd, &attributes) == 0) {
        attributes_ = attributes;
    }
    int lines = 0;
    if (::ioctl(fd, TIOCMGET, &lines) == 0) {
        modemLines_ = lines;
    }
}

void SavedLineState::Restore(int fd) {
    if (attributes_) {
        ::tcsetattr(fd, TCSANOW, &*attributes_);
    }
    if (modemLines_) {
        const int raise = *modemLines_ & kDrivenLines;
        const int lower = ~*modemLines_ & kDrivenLines;
        ::ioctl(fd, TIOCMBIS, &raise);
        ::ioctl(fd, TIOCMBIC, &lower);
    }
    attributes_.reset();
    modemLines_.reset();
}

}  // namespace platform
