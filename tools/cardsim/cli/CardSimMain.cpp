// merrowby-card-sim: the simulated sensor card as a program.

#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/OwnedFd.h"
#include "tools/cardsim/CardSimulator.h"
#include "tools/cardsim/cli/CommandLine.h"

namespace {

// "HH:MM:SS.mmm KIND TEXT" on standard error.
void PrintStamped(const char* kind, const std::string& text) {
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
    std::fprintf(stderr, "%s.%03lld %s %s\n", stamp, static_cast<long long>(ms), kind,
                 cardsim::Printable(text).c_str());
    std::fflush(stderr);
}

void PrintTrace(const cardsim::TraceEvent& event) {
    PrintStamped(event.fromCard ? "sent   " : "command", event.text);
}

// One line of options for the running card, answered on standard output.
void ChangeOptions(cardsim::CardSimulator& card, const std::string& line, bool trace) {
    cardsim::CardOptions options;
    std::string error;
    if (!cardsim::ParseOptionChange(line, options, error)) {
        std::cerr << "merrowby-card-sim: " << error << "\n";
        std::cout << "refused: " << error << std::endl;
        return;
    }
    card.SetOptions(options);
    for (int sensor = 0; sensor < cardsim::kSensorCount; ++sensor) {
        card.SetSensor(sensor, options.sensors[static_cast<std::size_t>(sensor)]);
    }
    if (trace) {
        PrintStamped("options", line);
    }
    std::cout << "ok" << std::endl;
}

// Until one of the signals comes, taking each line of standard input as the card's options
// while the input lasts.
void ServeOptionLines(cardsim::CardSimulator& card, const sigset_t& signals, bool trace) {
    const platform::OwnedFd signalFd(signalfd(-1, &signals, SFD_CLOEXEC));
    if (!signalFd.IsValid()) {
        throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
    }
    pollfd watched[2] = {{signalFd.Get(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    std::string pending;
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        }
        if (watched[0].revents != 0) {
            return;
        }
        if (watched[1].revents == 0) {
            continue;
        }
        char buffer[512];
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            watched[1].fd = -1;  // the input ended: the card runs on as it is
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(count));
        for (std::size_t end = pending.find('\n'); end != std::string::npos;
             end = pending.find('\n')) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            ChangeOptions(card, line, trace);
        }
    }
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
        if (options.optionsFromStdin) {
            ServeOptionLines(card, signals, options.trace);
        } else {
            int received = 0;
            sigwait(&signals, &received);
        }
    } catch (const std::exception& e) {
        std::cerr << "merrowby-card-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
