#include "platform/Event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace platform {

namespace {

bool PollReadable(int fd, std::chrono::microseconds timeout) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + timeout;
    for (;;) {
        const auto left = duration_cast<nanoseconds>(deadline - steady_clock::now());
        const auto wait = left.count() > 0 ? left : nanoseconds(0);
        const timespec span{static_cast<time_t>(wait.count() / 1'000'000'000),
                            static_cast<long>(wait.count() % 1'000'000'000)};
        pollfd request{fd, POLLIN, 0};
        const int ready = ::ppoll(&request, 1, &span, nullptr);
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

}  // namespace

Event::Event(Mode mode, bool initiallySet) : mode_(mode) {
    fd_ = ::eventfd(initiallySet ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
}

Event::~Event() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void Event::Set() {
    const std::uint64_t one = 1;
    // A full counter (never reached in practice) still reads as set.
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

void Event::Reset() {
    TryConsume();
}

bool Event::TryConsume() {
    std::uint64_t count = 0;
    return ::read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

bool Event::Wait(std::chrono::microseconds timeout) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + timeout;
    for (;;) {
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now());
        if (!PollReadable(fd_, left.count() > 0 ? left : microseconds(0))) {
            return false;
        }
        if (mode_ == Mode::ManualReset || TryConsume()) {
            return true;
        }
        // Another waiter took it first: wait on for the rest of the time.
    }
}

bool Event::IsSet() const {
    return PollReadable(fd_, std::chrono::microseconds(0));
}

}  // namespace platform
