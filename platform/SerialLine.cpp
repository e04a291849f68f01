#include "platform/SerialLine.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace platform {

namespace {

speed_t SpeedFor(int baudRate) {
    switch (baudRate) {
        case 110:
            return B110;
        case 150:
            return B150;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 19200:
            return B19200;
        default:
            return B9600;
    }
}

tcflag_t CharacterSize(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

tcflag_t ParityFlags(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return PARENB;
        case Parity::Odd:
            return PARENB | PARODD;
        case Parity::Mark:
            return PARENB | CMSPAR | PARODD;
        case Parity::Space:
            return PARENB | CMSPAR;
        case Parity::None:
            break;
    }
    return 0;
}

constexpr tcflag_t kFramingFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

// A pseudo-terminal has no wire: it always reads back 8 bits without parity.
bool IsPseudoTerminal(int fd) {
    struct stat status {};
    constexpr unsigned kFirstPtySlaveMajor = 136;
    constexpr unsigned kLastPtySlaveMajor = 143;
    return ::fstat(fd, &status) == 0 && major(status.st_rdev) >= kFirstPtySlaveMajor &&
           major(status.st_rdev) <= kLastPtySlaveMajor;
}

// tcsetattr succeeds when any part of the request was taken: a driver that cannot do a
// character size or parity keeps its old one and still reports success.
bool LineTookMode(int fd, const termios& requested) {
    if (IsPseudoTerminal(fd)) {
        return true;
    }
    termios actual{};
    return ::tcgetattr(fd, &actual) == 0 &&
           (actual.c_cflag & kFramingFlags) == (requested.c_cflag & kFramingFlags) &&
           ::cfgetospeed(&actual) == ::cfgetospeed(&requested);
}

}  // namespace

bool ApplyLineMode(int fd, const LineMode& mode) {
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0) {
        return false;
    }
    ::cfmakeraw(&attributes);
    attributes.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    attributes.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    attributes.c_cflag |= CLOCAL | CREAD | CharacterSize(mode.dataBits) | ParityFlags(mode.parity);
    if (mode.stopBits == 2) {
        attributes.c_cflag |= CSTOPB;
    }
    attributes.c_cc[VMIN] = 0;
    attributes.c_cc[VTIME] = 0;
    const speed_t speed = SpeedFor(mode.baudRate);
    if (::cfsetispeed(&attributes, speed) != 0 || ::cfsetospeed(&attributes, speed) != 0) {
        return false;
    }
    return ::tcsetattr(fd, TCSANOW, &attributes) == 0 && LineTookMode(fd, attributes);
}

bool PurgeLine(int fd) {
    return ::tcflush(fd, TCIOFLUSH) == 0;
}

bool ClearLineBreak(int fd) {
    return ::ioctl(fd, TIOCCBRK) == 0;
}

bool SetRts(int fd, bool raised) {
    const int bits = TIOCM_RTS;
    return ::ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

void WaitUntilSent(int fd, std::chrono::steady_clock::time_point lastOffLine) {
    while (::tcdrain(fd) != 0 && errno == EINTR) {
    }
    std::this_thread::sleep_until(lastOffLine);
}

std::chrono::microseconds LineTime(std::size_t byteCount, const LineMode& mode) {
    const int parityBits = mode.parity == Parity::None ? 0 : 1;
    const auto bitsPerCharacter =
        static_cast<long long>(1 + mode.dataBits + parityBits + mode.stopBits);
    const long long rate = mode.baudRate > 0 ? mode.baudRate : 9600;
    const long long bits = static_cast<long long>(byteCount) * bitsPerCharacter;
    return std::chrono::microseconds((bits * 1'000'000 + rate - 1) / rate);
}

void SettleAfterRaisingRts() {
    // sleep_for waits at least the span by the steady clock.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool DriverRtsToggle::Enable(int fd) {
    serial_rs485 current{};
    if (::ioctl(fd, TIOCGRS485, &current) != 0) {
        return false;
    }
    if (!enabled_) {
        saved_ = current;
    }
    serial_rs485 wanted = current;
    wanted.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    wanted.flags &= ~SER_RS485_RTS_AFTER_SEND;
    if (::ioctl(fd, TIOCSRS485, &wanted) != 0) {
        return false;
    }
    enabled_ = true;
    return true;
}

void DriverRtsToggle::Restore(int fd) {
    if (enabled_) {
        ::ioctl(fd, TIOCSRS485, &saved_);
        enabled_ = false;
    }
}

}  // namespace platform
