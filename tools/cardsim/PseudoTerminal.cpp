#include "tools/cardsim/PseudoTerminal.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace cardsim {

namespace {

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        Fail("openpty");
    }
    slavePath_ = name;
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) < 0 ||
        fcntl(master_, F_SETFD, FD_CLOEXEC) < 0 || fcntl(slave_, F_SETFD, FD_CLOEXEC) < 0) {
        const int saved = errno;
        close(master_);
        close(slave_);
        errno = saved;
        Fail("fcntl");
    }
}

PseudoTerminal::~PseudoTerminal() {
    HangUp();
}

void PseudoTerminal::HangUp() {
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
    if (slave_ >= 0) {
        close(slave_);
        slave_ = -1;
    }
}

}  // namespace cardsim
