#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>

#include <poll.h>
#include <signal.h>
#include <span>
#include <string_view>

namespace platform {

// Gone only for the errors of a device that went away (EIO, ENXIO); zero bytes are Nothing,
// as another reader or a flush may have taken what the poll saw.
enum class ReadStatus { Data, Nothing, Gone };

struct ReadResult {
    ReadStatus status = ReadStatus::Nothing;
    std::size_t count = 0;
};

// What a poll saw on a descriptor: input, and a hang-up or error (POLLHUP, POLLERR,
// POLLNVAL), either or both.
struct Readiness {
    bool readable = false;
    bool hungUp = false;
    bool Any() const { return readable || hungUp; }
};

// Waits in one poll until one of fds is readable or hung up, or until the deadline (none:
// without a time limit). A negative entry is left out. readiness gets one value per entry;
// false when the deadline passed with nothing ready. When the poll itself fails (out of
// kernel memory, say) it waits a while (10 ms at most, never past the deadline) and reports
// nothing ready, so that a caller's loop does not spin.
bool WaitForReadable(std::span<const int> fds, std::span<Readiness> readiness,
                     std::optional<std::chrono::steady_clock::time_point> deadline);

// The poll WaitForReadable calls: ppoll, or for tests another (nullptr puts ppoll back).
using PollFunction = int (*)(pollfd*, nfds_t, const timespec*, const sigset_t*);
void SetPollFunction(PollFunction poll);

// One non-blocking read of at most capacity bytes.
ReadResult ReadSome(int fd, char* buffer, std::size_t capacity);

struct WriteResult {
    bool complete = false;
    std::size_t written = 0;  // bytes handed to the driver, also when incomplete
};

// Writes all of data to a non-blocking descriptor, waiting while the driver is full. Gives
// up when no byte could be written for stallLimitMs, or when abort becomes true.
WriteResult WriteAll(int fd, std::string_view data, int stallLimitMs,
                     const std::atomic<bool>& abort);

// One non-blocking attempt: as much of data as the driver takes now.
WriteResult WriteSome(int fd, std::string_view data);

}  // namespace platform
