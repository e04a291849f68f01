#include "platform/DeviceIo.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace platform {

DeviceWait WaitForInputOrSignal(int fd, int signalFd, std::chrono::microseconds timeout) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + timeout;
    for (;;) {
        const auto left = duration_cast<nanoseconds>(deadline - steady_clock::now());
        const auto wait = left.count() > 0 ? left : nanoseconds(0);
        const timespec span{static_cast<time_t>(wait.count() / 1'000'000'000),
                            static_cast<long>(wait.count() % 1'000'000'000)};
        pollfd requests[2] = {{signalFd, POLLIN, 0}, {fd, POLLIN, 0}};
        const int ready = ::ppoll(requests, 2, &span, nullptr);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return DeviceWait::Quiet;
        }
        if ((requests[0].revents & POLLIN) != 0) {
            return DeviceWait::Signalled;
        }
        if ((requests[1].revents & POLLIN) != 0) {
            return DeviceWait::Input;
        }
        return DeviceWait::Gone;
    }
}

ReadResult ReadAvailable(int fd, char* buffer, std::size_t capacity, int timeoutMs) {
    pollfd request{fd, POLLIN, 0};
    const int ready = ::poll(&request, 1, timeoutMs);
    if (ready <= 0) {
        return {};
    }
    if ((request.revents & POLLIN) == 0) {
        const bool gone = (request.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        return {gone ? ReadStatus::Gone : ReadStatus::Nothing, 0};
    }
    const ssize_t count = ::read(fd, buffer, capacity);
    if (count > 0) {
        return {ReadStatus::Data, static_cast<std::size_t>(count)};
    }
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
        return {};
    }
    return {ReadStatus::Gone, 0};
}

WriteResult WriteSome(int fd, std::string_view data) {
    WriteResult result;
    while (result.written < data.size()) {
        const ssize_t count =
            ::write(fd, data.data() + result.written, data.size() - result.written);
        if (count > 0) {
            result.written += static_cast<std::size_t>(count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    result.complete = result.written == data.size();
    return result;
}

WriteResult WriteAll(int fd, std::string_view data, int stallLimitMs,
                     const std::atomic<bool>& abort) {
    using Clock = std::chrono::steady_clock;
    const auto stallLimit = std::chrono::milliseconds(stallLimitMs);
    WriteResult result;
    auto lastProgress = Clock::now();
    while (result.written < data.size()) {
        const ssize_t count =
            ::write(fd, data.data() + result.written, data.size() - result.written);
        if (count > 0) {
            result.written += static_cast<std::size_t>(count);
            lastProgress = Clock::now();
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count == 0 || errno != EAGAIN || abort.load() ||
            Clock::now() - lastProgress >= stallLimit) {
            break;
        }
        pollfd request{fd, POLLOUT, 0};
        ::poll(&request, 1, 10);
    }
    result.complete = result.written == data.size();
    return result;
}

}  // namespace platform
