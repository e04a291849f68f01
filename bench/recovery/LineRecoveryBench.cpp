// The instrument's line pulled out and plugged in again, on pseudo-terminals: the time from
// the loss to "Line lost" in the response field, from the return to the card taken offline
// again ("Line back"), median of several rounds; and the CPU the whole program uses while its
// line is gone (the real executable, offscreen, for 10 s).
//
//   QT_QPA_PLATFORM=offscreen build/bench/recovery/line_recovery_bench
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
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
constexpr auto kLostSpan = 10s;

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

// utime + stime of a process, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stol(field);
        } else if (index == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

void MeasureIdleCpu(const std::string& linkPath) {
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
    const long before = CpuTicks(child);
    std::this_thread::sleep_for(kLostSpan);
    const long after = CpuTicks(child);
    const double seconds = std::chrono::duration<double>(kLostSpan).count();
    const double percent = 100.0 * static_cast<double>(after - before) /
                           static_cast<double>(::sysconf(_SC_CLK_TCK)) / seconds;
    std::printf("whole program while the line is lost: %ld ticks in %.0f s = %.3f %% of a core\n",
                after - before, seconds, percent);
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const fs::path folder =
        fs::temp_directory_path() / ("merrowby-recovery-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    MeasureLatencies((folder / "ttyUSB0").string());
    MeasureIdleCpu((folder / "ttyUSB1").string());
    fs::remove_all(folder);
    return 0;
}
