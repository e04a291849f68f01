// The processor time of the window's reply wait while the card says nothing: one
// WaitForReply(1000) on a silent port, as each step of discovery over a port without a card
// and each unanswered command costs. The figure is the whole process's CPU clock (the window
// thread, the serial port's I/O thread, the simulated card's thread) over the wait, against
// the wait's own length; the goal is under 1 % of a core. BM_SpinningWait runs the wait as it
// was before, a loop of ReadReply, for comparison.
//
//   build/bench/window/wait_bench
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include "WindowBench.h"
#include "app/MaintenanceDialog.h"
#include "platform/Tick.h"
#include "protocol/InstrumentLink.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

constexpr std::uint32_t kWaitMs = 1000;

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The window connected to a simulated card on COM1 that has then fallen silent.
class SilentCardWindow {
  public:
    SilentCardWindow() {
        card_ = std::make_unique<cardsim::CardSimulator>();
        PointCom1Only(card_->SlavePath());
        window_ = std::make_unique<MaintenanceDialog>();
        window_->InitDialog();
        if (window_->Link() == nullptr) {
            throw std::runtime_error("the simulated card was not found");
        }
        card_->SetSilent(true);
    }
    ~SilentCardWindow() {
        card_->SetSilent(false);  // the link's release gets its answer
        window_.reset();
        card_.reset();
    }
    SilentCardWindow(const SilentCardWindow&) = delete;
    SilentCardWindow& operator=(const SilentCardWindow&) = delete;

    MaintenanceDialog& Window() { return *window_; }
    InstrumentLink& Link() { return *window_->Link(); }

  private:
    std::unique_ptr<cardsim::CardSimulator> card_;
    std::unique_ptr<MaintenanceDialog> window_;
};

template <class Wait>
void MeasureWaits(benchmark::State& state, Wait wait) {
    SilentCardWindow silent;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        silent.Link().QueryVoltage(3);
        const double cpuBefore = ProcessCpuSeconds();
        const double wallBefore = WallSeconds();
        const std::string reply = wait(silent);
        cpu += ProcessCpuSeconds() - cpuBefore;
        wall += WallSeconds() - wallBefore;
        if (!reply.empty()) {
            state.SkipWithError("the silent card answered");
            return;
        }
    }
    const auto waits = static_cast<double>(state.iterations());
    state.counters["wait_ms"] = 1000 * wall / waits;
    state.counters["cpu_ms_per_wait"] = 1000 * cpu / waits;
    state.counters["cpu_percent_of_core"] = 100 * cpu / wall;
}

void BM_SilentWait(benchmark::State& state) {
    MeasureWaits(state,
                 [](SilentCardWindow& silent) { return silent.Window().WaitForReply(kWaitMs); });
}
BENCHMARK(BM_SilentWait)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The former wait: ReadReply again and again until the time is up.
void BM_SpinningWait(benchmark::State& state) {
    MeasureWaits(state, [](SilentCardWindow& silent) {
        InstrumentLink& link = silent.Link();
        const std::uint32_t start = platform::TickCount();
        while (platform::TickCount() - start < kWaitMs) {
            std::string reply = link.ReadReply();
            if (!reply.empty()) {
                return reply;
            }
        }
        link.Reset();
        return std::string();
    });
}
BENCHMARK(BM_SpinningWait)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
