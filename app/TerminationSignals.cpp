#include "app/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

// One handler set per process: the pipe's ends and the handlers it replaced.
int pipeRead = -1;
int pipeWrite = -1;
std::array<struct sigaction, kSignals.size()> previous{};

extern "C" void OnTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeWrite, &byte, 1);
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (pipeRead >= 0) {
        return;  // another instance holds the signals
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    pipeRead = fds[0];
    pipeWrite = fds[1];
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &previous[i]);
    }
    notifier_ = new QSocketNotifier(pipeRead, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
    installed_ = true;
}

TerminationSignals::~TerminationSignals() {
    if (!installed_) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &previous[i], nullptr);
    }
    delete notifier_;
    ::close(pipeRead);
    ::close(pipeWrite);
    pipeRead = -1;
    pipeWrite = -1;
}

void TerminationSignals::Drain() {
    unsigned char byte = 0;
    int last = 0;
    while (::read(pipeRead, &byte, 1) == 1) {
        last = byte;
    }
    if (last != 0 && onSignal_) {
        onSignal_(last);
    }
}
