// merrowby-card-sim: the simulated sensor card as a program.

#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <iostream>
#include <mutex>

#include "tools/cardsim/CardSimulator.h"
#include "tools/cardsim/cli/CommandLine.h"

namespace {

void PrintTrace(const cardsim::TraceEvent& event) {
    static std::mutex mutex;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::lock_guard lock(mutex);
    std::fprintf(stderr, "%s.%03lld %s %s\n", stamp, static_cast<long long>(ms),
                 event.fromCard ? "sent   " : "command", cardsim::Printable(event.text).c_str());
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    cardsim::ProgramOptions options;
    std::string error;
    if (!cardsim::ParseCommandLine({argv + 1, argv + argc}, options, error)) {
        std::cerr << "merrowby-card-sim: " << error << "\nTry --help.\n";
        return 2;
    }
    if (options.help) {
        std::cout << cardsim::HelpText();
        return 0;
    }

    // The signals are taken by sigwait below; block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    if (options.exitWithParent) {
        const pid_t parent = getppid();
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent || parent == 1) {
            return 0;
        }
    }

    try {
        cardsim::TraceFunction trace;
        if (options.trace) {
            trace = PrintTrace;
        }
        cardsim::CardSimulator card(options.card, trace);
        std::cout << card.SlavePath() << std::endl;
        int received = 0;
        sigwait(&signals, &received);
    } catch (const std::exception& e) {
        std::cerr << "merrowby-card-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
