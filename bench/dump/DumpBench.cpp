// A long current dump: 100,000 reports through the dump timer's handler and the recorder,
// without and with the dump file, with the current plot closed and open, and the resident
// memory before and after; and one redraw of the plot holding a 12-hour dump.
//
//   QT_QPA_PLATFORM=offscreen build/bench/dump/dump_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "WindowBench.h"
#include "app/MaintenanceDialog.h"
#include "plot/CurrentDumpStore.h"
#include "plot/CurrentPlotWindow.h"
#include "protocol/InstrumentLink.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

constexpr int kSamples = 100000;

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

std::string Report(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "%04X %04X %04X %04X\r\n", 0x1000 + i % 97, 0x2000 + i % 89,
                  0x3000 + i % 83, 0x4000 + i % 79);
    return text;
}

// The window connected to a simulated card on COM1, with a dump running on the left tube.
// The card itself stays quiet: each report is handed to the link as its I/O thread would.
class RunningDump {
  public:
    RunningDump() {
        cardsim::CardOptions options;
        options.dumpInterval = std::chrono::hours(24);
        card_ = std::make_unique<cardsim::CardSimulator>(options);
        PointCom1Only(card_->SlavePath());
        window_ = std::make_unique<MaintenanceDialog>();
        window_->show();
        if (window_->Link() == nullptr) {
            throw std::runtime_error("the simulated card was not found");
        }
        window_->ControlAs<QPushButton>(MaintenanceDialog::IdStartStop)->click();
        if (!window_->IsDumpRunning()) {
            throw std::runtime_error("the dump did not start");
        }
    }
    void DumpTo(const std::filesystem::path& path) {
        window_->ControlAs<QCheckBox>(MaintenanceDialog::IdDumpToFile)->setChecked(true);
        window_->ControlAs<QLineEdit>(MaintenanceDialog::IdDumpFileName)
            ->setText(QString::fromStdString(path.string()));
    }
    void Tick(int i) {
        window_->Link()->OnReceive(Report(i));
        window_->OnDumpTick();
        if (i % 64 == 0) {
            QCoreApplication::processEvents();
        }
    }
    void OpenPlot() { window_->OpenCurrentPlot(); }
    // Points of the first plotted column, 0 while the plot is closed.
    int PlotPoints() const {
        const CurrentPlotWindow* plot = window_->CurrentPlot();
        return plot != nullptr ? plot->Line(0)->count() : 0;
    }
    int Rows() const {
        return window_->ControlAs<QTreeWidget>(MaintenanceDialog::IdDumpList)->topLevelItemCount();
    }

  private:
    std::unique_ptr<cardsim::CardSimulator> card_;
    std::unique_ptr<MaintenanceDialog> window_;
};

void RunSamples(benchmark::State& state, bool toFile, bool plotOpen = false) {
    RunningDump dump;
    if (plotOpen) {
        dump.OpenPlot();
    }
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("merrowby-dump-bench-" + std::to_string(::getpid()));
    std::filesystem::remove(path);
    if (toFile) {
        dump.DumpTo(path);
    }
    // Warm up to the full list, so that what follows is the steady state of a long run.
    for (int i = 0; i < 200; ++i) {
        dump.Tick(i);
    }
    const long before = ResidentKib();
    int i = 0;
    for (auto _ : state) {
        dump.Tick(i++);
    }
    const long after = ResidentKib();
    state.counters["rss_before_KiB"] = static_cast<double>(before);
    state.counters["rss_after_KiB"] = static_cast<double>(after);
    state.counters["rss_growth_KiB"] = static_cast<double>(after - before);
    state.counters["list_rows"] = dump.Rows();
    QCoreApplication::processEvents();
    state.counters["plot_points"] = dump.PlotPoints();
    state.counters["samples"] = i;
    if (toFile) {
        state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
        std::filesystem::remove(path);
    }
}

void BM_DumpTick(benchmark::State& state) {
    RunSamples(state, false);
}
void BM_DumpTickWithFileAppend(benchmark::State& state) {
    RunSamples(state, true);
}

// The plot closed still collects every sample; open, it also redraws on its timer.
void BM_DumpTickWithPlotOpen(benchmark::State& state) {
    RunSamples(state, false, true);
}

// One redraw of the whole plot holding a 12-hour dump (47,473 samples at 910 ms).
void BM_PlotRefreshTwelveHours(benchmark::State& state) {
    CurrentDumpStore store;
    constexpr int kTwelveHours = 47473;
    for (int i = 0; i < kTwelveHours; ++i) {
        CurrentRow row{i * 0.91, {}};
        for (int c = 0; c < CurrentRow::kColumns; ++c) {
            row.milliamps[c] = 5.0 + 0.001 * ((i * (c + 3)) % 17);
        }
        store.Append(row);
    }
    CurrentPlotWindow plot(store, nullptr);
    plot.show();
    for (auto _ : state) {
        plot.Refresh();
        plot.repaint();
    }
    state.counters["plot_points"] = plot.Line(0)->count();
}

BENCHMARK(BM_DumpTick)->Iterations(kSamples)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DumpTickWithFileAppend)->Iterations(kSamples)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DumpTickWithPlotOpen)->Iterations(kSamples)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlotRefreshTwelveHours)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
