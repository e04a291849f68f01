#include "tests/vm/probe/LineReadback.h"

#include <termios.h>

#include <cstdio>

namespace {

long SpeedValue(speed_t speed) {
    struct Entry {
        speed_t code;
        long rate;
    };
    static constexpr Entry kRates[] = {
        {B50, 50},     {B75, 75},     {B110, 110},   {B134, 134},     {B150, 150},
        {B200, 200},   {B300, 300},   {B600, 600},   {B1200, 1200},   {B1800, 1800},
        {B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200}, {B38400, 38400},
    };
    for (const Entry& entry : kRates) {
        if (entry.code == speed) {
            return entry.rate;
        }
    }
    return -1;
}

char ParityLetter(tcflag_t cflag) {
    if ((cflag & PARENB) == 0) {
        return 'n';
    }
    const bool odd = (cflag & PARODD) != 0;
    if ((cflag & CMSPAR) != 0) {
        return odd ? 'm' : 's';
    }
    return odd ? 'o' : 'e';
}

int DataBits(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

const char* FlowControl(const termios& attributes) {
    if ((attributes.c_cflag & CRTSCTS) != 0) {
        return "rtscts";
    }
    if ((attributes.c_iflag & (IXON | IXOFF)) != 0) {
        return "xonxoff";
    }
    return "none";
}

}  // namespace

std::string LineReadback(int fd) {
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0) {
        return "unreadable";
    }
    char text[96];
    std::snprintf(text, sizeof text, "speed=%ld parity=%c data=%d stop=%d flow=%s",
                  SpeedValue(::cfgetospeed(&attributes)), ParityLetter(attributes.c_cflag),
                  DataBits(attributes.c_cflag), (attributes.c_cflag & CSTOPB) != 0 ? 2 : 1,
                  FlowControl(attributes));
    return text;
}
