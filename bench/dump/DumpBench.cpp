// A long current dump: 100,000 reports through the dump timer's handler and the recorder,
// without and with the dump file, and the resident memory before and after.
//
//   QT_QPA_PLATFORM=offscreen build/bench/dump/dump_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
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

#include "app/MaintenanceDialog.h"
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
        ::setenv("MERROWBY_COM1", card_->SlavePath().c_str(), 1);
        for (int n = 2; n <= 4; ++n) {
            ::setenv(("MERROWBY_COM" + std::to_string(n)).c_str(), "/nonexistent/merrowby", 1);
        }
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
    int Rows() const {
        return window_->ControlAs<QTreeWidget>(MaintenanceDialog::IdDumpList)->topLevelItemCount();
    }

  private:
    std::unique_ptr<cardsim::CardSimulator> card_;
    std::unique_ptr<MaintenanceDialog> window_;
};

void RunSamples(benchmark::State& state, bool toFile) {
    RunningDump dump;
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

BENCHMARK(BM_DumpTick)->Iterations(kSamples)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DumpTickWithFileAppend)->Iterations(kSamples)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
