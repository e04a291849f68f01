// Serial port figures against a pseudo-terminal: receive latency, sustained receive, idle
// cost and wake-ups, GetSettings on an idle port, and the time a command and its carriage
// return take to reach the far side.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ports/PortListener.h"
#include "ports/SerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class Pty {
  public:
    Pty() {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        ::close(slave);
        termios raw{};
        ::tcgetattr(master_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master_, TCSANOW, &raw);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        path_ = name;
        ::setenv("MERROWBY_COM1", path_.c_str(), 1);
    }
    ~Pty() {
        ::unsetenv("MERROWBY_COM1");
        ::close(master_);
    }
    void Send(const char* data, std::size_t size) {
        std::size_t sent = 0;
        while (sent < size) {
            const ssize_t n = ::write(master_, data + sent, size - sent);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
            } else {
                pollfd request{master_, POLLOUT, 0};
                ::poll(&request, 1, 10);
            }
        }
    }
    // Waits until count bytes have arrived on the master.
    std::size_t Receive(std::size_t count) {
        std::size_t received = 0;
        char buffer[256];
        const auto deadline = Clock::now() + 5s;
        while (received < count && Clock::now() < deadline) {
            pollfd request{master_, POLLIN, 0};
            ::poll(&request, 1, 50);
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                received += static_cast<std::size_t>(n);
            }
        }
        return received;
    }

  private:
    int master_ = -1;
    std::string path_;
};

class CollectingListener : public PortListener {
  public:
    void OnReceive(const std::string& chunk) override {
        {
            const std::lock_guard lock(mutex_);
            data_ += chunk;
        }
        arrived_.notify_all();
    }
    bool WaitFor(std::size_t total, std::chrono::milliseconds deadline) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, deadline, [&] { return data_.size() >= total; });
    }
    std::string Data() {
        const std::lock_guard lock(mutex_);
        return data_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::string data_;
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

// The median, 99th percentile and largest of times in milliseconds, as the run's counters.
void ReportTimes(benchmark::State& state, const std::vector<double>& milliseconds) {
    state.counters["median_ms"] = Percentile(milliseconds, 0.5);
    state.counters["p99_ms"] = Percentile(milliseconds, 0.99);
    state.counters["max_ms"] = Percentile(milliseconds, 1.0);
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Scheduler run time of the whole process.
double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// User and system time as the kernel's accounting reports them.
double RusageCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Context switches of the whole process: each one is a thread waking up or being preempted.
double ContextSwitches() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_nvcsw + usage.ru_nivcsw);
}

// One byte written on the far side until the listener has it.
void BM_ReceiveLatency(benchmark::State& state) {
    Pty pty;
    SerialPort port("COM1");
    CollectingListener listener;
    if (!port.Attach(&listener)) {
        state.SkipWithError("attach failed");
        return;
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> gapUs(0, 2000);
    std::vector<double> latencies;
    std::size_t expected = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
        const char byte = static_cast<char>('A' + expected % 26);
        const auto start = Clock::now();
        pty.Send(&byte, 1);
        ++expected;
        if (!listener.WaitFor(expected, 1s)) {
            state.SkipWithError("byte lost");
            break;
        }
        const auto latency = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(latency).count());
        latencies.push_back(Milliseconds(latency));
    }
    port.Detach(&listener);
    if (!latencies.empty()) {
        ReportTimes(state, latencies);
    }
}
BENCHMARK(BM_ReceiveLatency)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMillisecond);

// 1 MiB from the far side through one port set to 19200 baud, checked byte for byte. A
// pseudo-terminal does not hold bytes back to the rate, so this is what the port keeps up
// with; the line itself carries 1920 B/s.
void BM_SustainedReceive(benchmark::State& state) {
    const std::size_t total = static_cast<std::size_t>(state.range(0));
    std::string pattern(total, '\0');
    std::mt19937 random(11);
    for (char& c : pattern) {
        c = static_cast<char>(random());
    }
    for (auto _ : state) {
        Pty pty;
        SerialPort port("COM1");
        CollectingListener listener;
        if (!port.Attach(&listener) || !port.Configure("19,n,8,1,0")) {
            state.SkipWithError("attach or configure failed");
            return;
        }
        const auto start = Clock::now();
        std::thread sender([&] { pty.Send(pattern.data(), pattern.size()); });
        const bool complete = listener.WaitFor(total, 30min);
        const auto elapsed = Clock::now() - start;
        sender.join();
        port.Detach(&listener);
        const bool intact = complete && listener.Data() == pattern;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        state.counters["intact"] = intact ? 1 : 0;
        state.counters["bytes_per_s"] =
            static_cast<double>(total) / std::chrono::duration<double>(elapsed).count();
        if (!intact) {
            state.SkipWithError("data lost, repeated or reordered");
        }
    }
}
BENCHMARK(BM_SustainedReceive)
    ->Arg(1 << 20)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// CPU time of the whole process while one serial port sits open and idle.
void BM_IdleCost(benchmark::State& state) {
    const auto window = std::chrono::seconds(state.range(0));
    for (auto _ : state) {
        Pty pty;
        SerialPort port("COM1");
        CollectingListener listener;
        if (!port.Attach(&listener)) {
            state.SkipWithError("attach failed");
            return;
        }
        std::this_thread::sleep_for(100ms);  // settle after opening
        const double before = ProcessCpuSeconds();
        const double rusageBefore = RusageCpuSeconds();
        const double switchesBefore = ContextSwitches();
        std::this_thread::sleep_for(window);
        const double used = ProcessCpuSeconds() - before;
        const double rusageUsed = RusageCpuSeconds() - rusageBefore;
        const double switches = ContextSwitches() - switchesBefore;
        port.Detach(&listener);
        state.SetIterationTime(static_cast<double>(window.count()));
        const auto seconds = static_cast<double>(window.count());
        state.counters["cpu_percent_of_core"] = 100.0 * used / seconds;
        state.counters["rusage_percent_of_core"] = 100.0 * rusageUsed / seconds;
        // The sleeping main thread accounts for one of them.
        state.counters["wakeups_per_s"] = switches / seconds;
    }
}
BENCHMARK(BM_IdleCost)->Arg(10)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// GetSettings on an open, idle port, from another thread than the port's.
void BM_GetSettingsIdle(benchmark::State& state) {
    Pty pty;
    SerialPort port("COM1");
    CollectingListener listener;
    if (!port.Attach(&listener)) {
        state.SkipWithError("attach failed");
        return;
    }
    std::mt19937 random(5);
    std::uniform_int_distribution<int> gapUs(0, 2000);
    std::vector<double> times;
    std::string out;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
        const auto start = Clock::now();
        port.GetSettings(out);
        const auto elapsed = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        times.push_back(Milliseconds(elapsed));
    }
    port.Detach(&listener);
    ReportTimes(state, times);
}
BENCHMARK(BM_GetSettingsIdle)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMillisecond);

// A command and its carriage return, written with two Write calls, until both are on the
// far side. The floor is the pause of SerialPort::kPauseAfterWriteMs after the first.
void BM_CommandAndCarriageReturn(benchmark::State& state) {
    Pty pty;
    SerialPort port("COM1");
    CollectingListener listener;
    if (!port.Attach(&listener)) {
        state.SkipWithError("attach failed");
        return;
    }
    const std::string command = "3VQ";
    const std::string lineEnd = "\r";
    std::vector<double> times;
    for (auto _ : state) {
        const auto start = Clock::now();
        port.Write(command);
        port.Write(lineEnd);
        if (pty.Receive(command.size() + lineEnd.size()) != command.size() + lineEnd.size()) {
            state.SkipWithError("bytes missing");
            break;
        }
        const auto elapsed = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        times.push_back(Milliseconds(elapsed));
        std::this_thread::sleep_for(10ms);  // let the trailing pause end
    }
    port.Detach(&listener);
    if (!times.empty()) {
        state.counters["median_ms"] = Percentile(times, 0.5);
        state.counters["p99_ms"] = Percentile(times, 0.99);
        state.counters["floor_ms"] = SerialPort::kPauseAfterWriteMs;
    }
}
BENCHMARK(BM_CommandAndCarriageReturn)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
