#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string_view>

namespace platform {

enum class ReadStatus { Data, Nothing, Gone };

struct ReadResult {
    ReadStatus status = ReadStatus::Nothing;
    std::size_t count = 0;
};

enum class DeviceWait { Input, Signalled, Quiet, Gone };

// Waits up to timeout for input on fd or for signalFd to become readable (signal first).
// Gone: the far side hung up or the device failed; returned at once.
DeviceWait WaitForInputOrSignal(int fd, int signalFd, std::chrono::microseconds timeout);

// Waits up to timeoutMs for input on a non-blocking descriptor and reads at most capacity
// bytes of it. Gone: the far side hung up or the device failed.
ReadResult ReadAvailable(int fd, char* buffer, std::size_t capacity, int timeoutMs);

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
