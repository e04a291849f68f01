// The instrument's line pulled out and plugged in again, on pseudo-terminals: the time from
// the loss to "Line lost" in the response field, from the return to the card taken offline
// again ("Line back"), median of several rounds; and the CPU the whole program uses while its
// line is gone: the real executable, offscreen, over 30 s (or --lost-seconds N), all its
// threads, in ns from the process's CPU clock (clock_getcpuclockid).
//
//   QT_QPA_PLATFORM=offscreen build/bench/recovery/line_recovery_bench [--lost-seconds N]
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/MaintenanceDialog.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kRounds = 9;
constexpr int kDefaultLostSeconds = 30;

cardsim::CardOptions CardAt(const std::string& linkPath) {
    cardsim::CardOptions options;
    options.linkPath = linkPath;
    return options;
}

// Runs the window's events until its response field starts with prefix.
double MillisecondsUntil(MaintenanceDialog& window, const QString& prefix, Clock::time_point from) {
    auto* response = window.ControlAs<QLineEdit>(MaintenanceDialog::IdResponse);
    while (!response->text().startsWith(prefix)) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void MeasureLatencies(const std::string& linkPath) {
    ::setenv("MERROWBY_COM1", linkPath.c_str(), 1);
    auto card = std::make_unique<cardsim::CardSimulator>(CardAt(linkPath));
    MaintenanceDialog window;
    window.InitDialog();
    std::vector<double> loss;
    std::vector<double> back;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point pulled = Clock::now();
        card.reset();
        loss.push_back(MillisecondsUntil(window, QStringLiteral("Line lost"), pulled));
        const Clock::time_point plugged = Clock::now();
        card = std::make_unique<cardsim::CardSimulator>(CardAt(linkPath));
        back.push_back(MillisecondsUntil(window, QStringLiteral("Line back"), plugged));
    }
    std::printf("loss to \"Line lost\" text: median %.2f ms (min %.2f, max %.2f, %d rounds)\n",
                Median(loss), *std::min_element(loss.begin(), loss.end()),
                *std::max_element(loss.begin(), loss.end()), kRounds);
    std::printf("return to card offline (\"Line back\"): median %.2f ms (min %.2f, max %.2f)\n",
                Median(back), *std::min_element(back.begin(), back.end()),
                *std::max_element(back.begin(), back.end()));
    ::unsetenv("MERROWBY_COM1");
}

// The CPU time of every thread of a process so far, ended ones included, in ns.
std::optional<std::int64_t> CpuNanoseconds(pid_t pid) {
    clockid_t clock = 0;
    timespec used{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &used) != 0) {
        return std::nullopt;
    }
    return std::int64_t{used.tv_sec} * 1'000'000'000 + used.tv_nsec;
}

void MeasureIdleCpu(const std::string& linkPath, int lostSeconds) {
    auto card = std::make_unique<cardsim::CardSimulator>(CardAt(linkPath));
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("MERROWBY_COM1", linkPath.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(MERROWBY_PROGRAM, MERROWBY_PROGRAM, static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    if (!card->WaitForReceivedContaining("M\r", 20s)) {
        std::printf("the program did not find the card\n");
    }
    std::this_thread::sleep_for(500ms);  // discovery done
    card.reset();
    std::this_thread::sleep_for(1s);  // the loss handled
    const std::optional<std::int64_t> before = CpuNanoseconds(child);
    const Clock::time_point from = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(lostSeconds));
    const std::optional<std::int64_t> after = CpuNanoseconds(child);
    const double seconds = std::chrono::duration<double>(Clock::now() - from).count();
    int status = 0;
    const bool running = ::waitpid(child, &status, WNOHANG) == 0;
    if (before && after && running) {
        const double used = static_cast<double>(*after - *before);
        std::printf("whole program while the line is lost: %.0f ns in %.1f s = %.5f %% of a core\n",
                    used, seconds, 100.0 * used / 1e9 / seconds);
    } else {
        std::printf("whole program while the line is lost: not measured (%s)\n",
                    running ? "no CPU clock for it" : "the program ended");
    }
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
}

int LostSeconds(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--lost-seconds") == 0) {
            return std::max(1, std::atoi(argv[i + 1]));
        }
    }
    return kDefaultLostSeconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int lostSeconds = LostSeconds(argc, argv);
    QApplication application(argc, argv);
    const fs::path folder =
        fs::temp_directory_path() / ("merrowby-recovery-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    MeasureLatencies((folder / "ttyUSB0").string());
    MeasureIdleCpu((folder / "ttyUSB1").string(), lostSeconds);
    fs::remove_all(folder);
    return 0;
}
