// Throughput of the link's receive side, a line without end through the link and the trace,
// the round trip of a query against the simulated card over a pseudo-terminal, and the idle
// cost of the whole program connected to it.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Tick.h"
#include "ports/Port.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"
#include "tools/cardsim/CardSimulator.h"
#include "trace/ReceiveGatherer.h"

extern char** environ;

namespace {

// A port that takes every write and delivers nothing by itself.
class NullPort : public Port {
  public:
    bool Write(const std::string&) override { return true; }
    bool Attach(PortListener*) override { return true; }
    bool Detach(PortListener*) override { return true; }
    void GetSettings(std::string& out) override { out.clear(); }
    bool Configure(const std::string&) override { return true; }
    std::int32_t GetStatus() override { return 1; }
    std::string GetTypeName() override { return "Serial Port"; }
};

class NullPortManager : public PortManager {
  public:
    Port* Open(std::string, PortListener*) override { return &port_; }
    void CloseAll() override {}
    std::int32_t GetStatus(std::string) override { return 1; }
    bool GetSettings(std::string&, std::string&) override { return false; }
    bool Close(std::string, PortListener*) override { return true; }
    bool ShowSettingsDialog(int, std::string&, std::string&, std::int32_t*, std::int32_t, int,
                            int) override {
        return false;
    }
    bool Configure(std::string&, std::string&) override { return true; }

  private:
    NullPort port_;
};

const std::string kSample = "0123 4567 89AB CDEF\r\n";

// Dump sample lines in the serial port's largest chunks of 5 bytes.
std::vector<std::string> SampleChunks(std::size_t bytes) {
    std::string wire;
    while (wire.size() < bytes) {
        wire += kSample;
    }
    std::vector<std::string> chunks;
    for (std::size_t at = 0; at < wire.size(); at += 5) {
        chunks.push_back(wire.substr(at, 5));
    }
    return chunks;
}

// Destroys the link without its go-online wait: the null port never answers.
void Discard(std::unique_ptr<InstrumentLink>& link) {
    link->StartDump(false);
    link.reset();
}

void BM_OnReceive(benchmark::State& state) {
    NullPortManager manager;
    auto link = std::make_unique<InstrumentLink>("COM1", manager);
    const auto chunks = SampleChunks(32 * 1024);
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const auto& chunk : chunks) {
            link->OnReceive(chunk);
            bytes += chunk.size();
        }
        state.PauseTiming();
        link->DiscardUnread();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    Discard(link);
}
BENCHMARK(BM_OnReceive);

void BM_ReadReply(benchmark::State& state) {
    NullPortManager manager;
    auto link = std::make_unique<InstrumentLink>("COM1", manager);
    link->StartDump(false);
    const auto chunks = SampleChunks(32 * 1024);
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (const auto& chunk : chunks) {
            link->OnReceive(chunk);
            bytes += chunk.size();
        }
        state.ResumeTiming();
        while (!link->ReadReply().empty()) {
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    Discard(link);
}
BENCHMARK(BM_ReadReply);

// A line that never ends (no line feed), in the serial port's chunks of 5 bytes, read after
// each chunk as the window's wait does: the link keeps its first 4 KiB, so the cost is linear
// in the stream's length (the time per byte stays flat from 64 KiB to 1 MiB).
void BM_LinkEndlessLine(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    NullPortManager manager;
    auto link = std::make_unique<InstrumentLink>("COM1", manager);
    const std::string chunk(5, 'A');
    for (auto _ : state) {
        link->QueryStatus();
        for (std::size_t fed = 0; fed < length; fed += chunk.size()) {
            link->OnReceive(chunk);
            benchmark::DoNotOptimize(link->ReadReply());
        }
        link->OnReceive("\r\n");
        benchmark::DoNotOptimize(link->ReadReply());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
    state.SetComplexityN(static_cast<std::int64_t>(length));
    Discard(link);
}
BENCHMARK(BM_LinkEndlessLine)
    ->RangeMultiplier(4)
    ->Range(64 << 10, 1 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// The same stream through the protocol trace's line gathering (its writer thread's work).
void BM_TraceEndlessLine(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    trace::ReceiveGatherer gatherer(std::chrono::milliseconds(100));
    const trace::TraceEvent chunk{trace::TraceEvent::Kind::Received, "COM1", std::string(5, 'A')};
    const trace::TraceEvent lineEnd{trace::TraceEvent::Kind::Received, "COM1", "\r\n"};
    for (auto _ : state) {
        for (std::size_t fed = 0; fed < length; fed += chunk.bytes.size()) {
            benchmark::DoNotOptimize(gatherer.Add(chunk));
        }
        benchmark::DoNotOptimize(gatherer.Add(lineEnd));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
    state.SetComplexityN(static_cast<std::int64_t>(length));
}
BENCHMARK(BM_TraceEndlessLine)
    ->RangeMultiplier(4)
    ->Range(64 << 10, 1 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// One thread delivers while the other reads, both contending for the lock.
void BM_ReceiveWhileReading(benchmark::State& state) {
    NullPortManager manager;
    auto link = std::make_unique<InstrumentLink>("COM1", manager);
    link->StartDump(false);
    const auto chunks = SampleChunks(16 * 1024);
    std::size_t chunkBytes = 0;
    for (const auto& chunk : chunks) {
        chunkBytes += chunk.size();
    }
    const std::size_t expectedText = chunkBytes / kSample.size() * (kSample.size() - 2);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::thread port([&] {
            for (const auto& chunk : chunks) {
                link->OnReceive(chunk);
            }
        });
        // In a dump state half lines come out too: count the text, not the calls.
        std::size_t text = 0;
        while (text < expectedText) {
            text += link->ReadReply().size();
        }
        port.join();
        link->DiscardUnread();
        link->ReadReply();
        bytes += chunkBytes;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    Discard(link);
}
BENCHMARK(BM_ReceiveWhileReading)->UseRealTime();

// From the command written until ReadReply returns the reply, through the real serial port.
void BM_QueryVoltageRoundTrip(benchmark::State& state) {
    cardsim::CardOptions options;
    options.noiseAmplitude = 0;
    cardsim::CardSimulator card(options);
    setenv("MERROWBY_COM1", card.SlavePath().c_str(), 1);
    auto link = std::make_unique<InstrumentLink>("COM1");
    if (!link->HasPort()) {
        state.SkipWithError("the serial port did not open");
        return;
    }
    std::vector<double> milliseconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        link->QueryVoltage(3);
        std::string reply;
        while (reply.empty() && link->IsPending()) {
            reply = link->ReadReply();
            if (reply.empty() && !link->WaitForUnread(1000)) {
                break;
            }
        }
        const auto end = std::chrono::steady_clock::now();
        if (reply.empty()) {
            state.SkipWithError("no reply");
            break;
        }
        milliseconds.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        // Queries come apart, as from clicks: the pause after the carriage return is over.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    link.reset();
    GetPortManager()->CloseAll();
    unsetenv("MERROWBY_COM1");
    if (!milliseconds.empty()) {
        std::sort(milliseconds.begin(), milliseconds.end());
        const auto at = [&](double fraction) {
            return milliseconds[static_cast<std::size_t>(fraction * (milliseconds.size() - 1))];
        };
        state.counters["median_ms"] = at(0.5);
        state.counters["p99_ms"] = at(0.99);
        state.counters["max_ms"] = milliseconds.back();
    }
}
BENCHMARK(BM_QueryVoltageRoundTrip)->Iterations(300)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MERROWBY_PROGRAM
struct TaskTotals {
    double cpuSeconds = 0;
    double contextSwitches = 0;
};

// Run time and context switches summed over every thread of a process.
TaskTotals ProcessTotals(pid_t pid) {
    TaskTotals totals;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double runNs = 0;
        if (schedstat >> runNs) {
            totals.cpuSeconds += runNs / 1e9;
        }
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.find("ctxt_switches:") != std::string::npos) {
                std::istringstream fields(line.substr(line.find(':') + 1));
                double count = 0;
                fields >> count;
                totals.contextSwitches += count;
            }
        }
    }
    return totals;
}

// The program itself on the offscreen platform, connected to the simulated card on COM1,
// left alone for the window after discovery.
void BM_ProgramIdleConnected(benchmark::State& state) {
    const auto window = std::chrono::seconds(state.range(0));
    for (auto _ : state) {
        cardsim::CardSimulator card;
        setenv("MERROWBY_COM1", card.SlavePath().c_str(), 1);
        for (const char* other : {"MERROWBY_COM2", "MERROWBY_COM3", "MERROWBY_COM4"}) {
            setenv(other, "/nonexistent/merrowby-bench", 1);
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        char program[] = MERROWBY_PROGRAM;
        char* argv[] = {program, nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, program, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("the program did not start");
            return;
        }
        const bool connected = card.WaitForReceived(
            [](const std::string& r) { return r == "N\rM\r"; }, std::chrono::seconds(30));
        std::this_thread::sleep_for(std::chrono::seconds(1));  // the window has settled
        const TaskTotals before = ProcessTotals(child);
        std::this_thread::sleep_for(window);
        const TaskTotals after = ProcessTotals(child);
        ::kill(child, SIGTERM);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!connected) {
            state.SkipWithError("the program did not find the card");
            return;
        }
        const auto seconds = static_cast<double>(window.count());
        state.SetIterationTime(seconds);
        state.counters["cpu_percent_of_core"] =
            100.0 * (after.cpuSeconds - before.cpuSeconds) / seconds;
        state.counters["wakeups_per_s"] =
            (after.contextSwitches - before.contextSwitches) / seconds;
    }
    unsetenv("MERROWBY_COM1");
}
BENCHMARK(BM_ProgramIdleConnected)
    ->Arg(10)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
#endif

}  // namespace

BENCHMARK_MAIN();
