#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Samples a serial line's RTS output, the driver's unsent byte count and the UART's
// transmitter-empty bit as fast as it can, on a thread of its own, from Start to Stop.
class RtsWatch {
  public:
    using Clock = std::chrono::steady_clock;

    struct Sample {
        Clock::time_point at;
        bool rts = false;
        int unsent = 0;                // TIOCOUTQ; 0 when the driver cannot tell
        bool transmitterEmpty = true;  // TIOCSERGETLSR; true when the driver cannot tell
    };

    explicit RtsWatch(int fd) : fd_(fd) {}
    RtsWatch(const RtsWatch&) = delete;
    RtsWatch& operator=(const RtsWatch&) = delete;
    ~RtsWatch() { Stop(); }

    void Start();
    void Stop();
    // Valid after Stop.
    const std::vector<Sample>& Samples() const { return samples_; }
    bool ModemLinesReadable() const { return readable_; }

  private:
    void Run();

    const int fd_;
    std::atomic<bool> stopping_{false};
    bool readable_ = true;
    std::vector<Sample> samples_;
    std::thread thread_;
};
