#include "platform/DeviceIo.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <thread>

namespace platform {

namespace {

constexpr auto kPollFailurePause = std::chrono::milliseconds(10);

std::atomic<PollFunction> pollFunction{nullptr};

int Poll(pollfd* fds, nfds_t count, const timespec* timeout) {
    const PollFunction poll = pollFunction.load();
    return poll != nullptr ? poll(fds, count, timeout, nullptr)
                           : ::ppoll(fds, count, timeout, nullptr);
}

void PauseAfterPollFailure(std::optional<std::chrono::steady_clock::time_point> deadline) {
    auto until = std::chrono::steady_clock::now() + kPollFailurePause;
    if (deadline && *deadline < until) {
        until = *deadline;
    }
    std::this_thread::sleep_until(until);
}

// Time left until the deadline for ppoll; null for no limit.
const timespec* TimeLeft(std::optional<std::chrono::steady_clock::time_point> deadline,
                         timespec& span) {
    using namespace std::chrono;
    if (!deadline) {
        return nullptr;
    }
    const auto left =
        std::max(duration_cast<nanoseconds>(*deadline - steady_clock::now()), nanoseconds::zero());
    span = timespec{static_cast<time_t>(left.count() / 1'000'000'000),
                    static_cast<long>(left.count() % 1'000'000'000)};
    return &span;
}

Readiness ReadinessOf(short revents) {
    return {(revents & POLLIN) != 0, (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0};
}

}  // namespace

void SetPollFunction(PollFunction poll) {
    pollFunction.store(poll);
}

bool WaitForReadable(std::span<const int> fds, std::span<Readiness> readiness,
                     std::optional<std::chrono::steady_clock::time_point> deadline) {
    constexpr std::size_t kMostFds = 8;
    std::array<pollfd, kMostFds> requests{};
    const std::size_t count = std::min(fds.size(), kMostFds);
    for (std::size_t i = 0; i < count; ++i) {
        requests[i] = pollfd{fds[i], POLLIN, 0};  // poll skips negative descriptors
    }
    int ready = 0;
    do {
        timespec span{};
        ready = Poll(requests.data(), count, TimeLeft(deadline, span));
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) {
        PauseAfterPollFailure(deadline);
    }
    for (std::size_t i = 0; i < readiness.size(); ++i) {
        readiness[i] = i < count && ready > 0 ? ReadinessOf(requests[i].revents) : Readiness{};
    }
    return ready > 0;
}

ReadResult ReadSome(int fd, char* buffer, std::size_t capacity) {
    ssize_t count = 0;
    do {
        count = ::read(fd, buffer, capacity);
    } while (count < 0 && errno == EINTR);
    if (count > 0) {
        return {ReadStatus::Data, static_cast<std::size_t>(count)};
    }
    if (count < 0 && (errno == EIO || errno == ENXIO)) {
        return {ReadStatus::Gone, 0};
    }
    return {};
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
