// The time "Read All Sensors" takes against the simulated card: 25 queries, each awaited. The
// goal is under 2 s. BM_Survey/0 is the card answering at once; BM_Survey/20 delays each reply
// by 20 ms, about what a query and its reply take on the wire at 9600 baud (some 10 bytes each
// way at about 1 ms a byte), so about half a second is expected. cpu_percent_of_core is the
// whole process's processor time over the survey's length.
//
//   build/bench/window/survey_bench
#include <benchmark/benchmark.h>
#include <time.h>

#include <QEventLoop>
#include <chrono>
#include <memory>
#include <stdexcept>

#include "WindowBench.h"
#include "app/MaintenanceDialog.h"
#include "app/survey/SensorSurvey.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void BM_Survey(benchmark::State& state) {
    cardsim::CardOptions options;
    options.replyDelay = std::chrono::milliseconds(state.range(0));
    auto card = std::make_unique<cardsim::CardSimulator>(options);
    PointCom1Only(card->SlavePath());
    auto window = std::make_unique<MaintenanceDialog>();
    window->InitDialog();
    if (window->Link() == nullptr) {
        state.SkipWithError("the simulated card was not found");
        return;
    }
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        SensorSurvey survey(*window->Link(), std::chrono::milliseconds(1000));
        QEventLoop loop;
        QObject::connect(&survey, &SensorSurvey::Finished, &loop, &QEventLoop::quit);
        const double cpuBefore = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (!survey.Start()) {
            state.SkipWithError("the survey was refused");
            return;
        }
        loop.exec();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += ProcessCpuSeconds() - cpuBefore;
        if (!survey.Replies().sensors[7].tripPoint) {
            state.SkipWithError("the card did not answer every query");
            return;
        }
    }
    const auto surveys = static_cast<double>(state.iterations());
    state.counters["survey_ms"] = 1000 * wall / surveys;
    state.counters["cpu_percent_of_core"] = 100 * cpu / wall;
    window.reset();
    card.reset();
}
BENCHMARK(BM_Survey)
    ->Arg(0)
    ->Arg(20)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
