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

enum class ReadStatus { Data, Nothing, Gone };

struct ReadResult {
    ReadStatus status = ReadStatus::Nothing;
    std::size_t count = 0;
};

enum class Readiness { Quiet, Readable, HungUp };

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

// One non-blocking read of at most capacity bytes. Gone: end of file or a device error.
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
