#include "tests/vm/probe/ProbeCommands.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>

#include "ports/DevicePath.h"
#include "ports/Port.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"
#include "tests/vm/probe/LineCollector.h"
#include "tests/vm/probe/LineObserver.h"
#include "tests/vm/probe/LineReadback.h"
#include "tests/vm/probe/RtsWatch.h"

namespace {

using namespace std::chrono_literals;
using Clock = RtsWatch::Clock;

constexpr std::uint32_t kReplyWaitMs = 1000;
constexpr std::uint32_t kDumpTickMs = 910;
constexpr int kSilentTicksToEnd = 4;
constexpr int kSamplesShown = 3;
constexpr std::size_t kRtsQueries = 20;

// As the window waits: the first non-empty reply within timeoutMs, else the link is reset.
std::string WaitForReply(InstrumentLink& link, std::uint32_t timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        std::string reply = link.ReadReply();
        if (!reply.empty()) {
            return reply;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        link.WaitForUnread(static_cast<std::uint32_t>(std::max<long>(left.count(), 1)));
    }
    link.Reset();
    return {};
}

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::unique_ptr<InstrumentLink> OfflineLink(const std::string& port) {
    auto link = std::make_unique<InstrumentLink>(port);
    if (!link->HasPort()) {
        Print("NOPORT " + port);
        return nullptr;
    }
    link->GoOffline();
    Print("OFFLINE " + WaitForReply(*link, kReplyWaitMs));
    return link;
}

long MicrosBetween(Clock::time_point from, Clock::time_point to) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(to - from).count());
}

// When the port had opened the device, when the first query was written, when the last
// answer had come.
struct RtsPhases {
    Clock::time_point opened;
    Clock::time_point written;
    Clock::time_point answered;
};

struct RtsCounts {
    long openingHighUs = 0;  // while the port opened the device: the kernel raises RTS then
    long idleSamples = 0;
    long idleHigh = 0;
    long sendSamples = 0;
    long sendHigh = 0;
    long lowWhileUnsent = 0;
    long tailSamples = 0;
    long tailHigh = 0;
};

// Opening until the port has had the device for 1 ms; idle until the query is written; sending
// until 100 ms after the last answer (the driver may still report the transmitter busy for a
// moment); the tail after that.
// A driver whose transmitter never reads empty while the line is idle (the emulated USB
// adapter's) cannot tell: only its unsent count is taken then.
bool TransmitterStatusTells(const std::vector<RtsWatch::Sample>& samples, const RtsPhases& phases) {
    return std::any_of(samples.begin(), samples.end(), [&](const RtsWatch::Sample& sample) {
        return sample.at >= phases.opened && sample.at < phases.written && sample.transmitterEmpty;
    });
}

RtsCounts CountRts(const std::vector<RtsWatch::Sample>& samples, const RtsPhases& phases) {
    // The watch runs on another processor, whose clock may lag a little under emulation: a
    // sample read just before the open lowered RTS can carry a time just after it.
    const Clock::time_point idle = phases.opened + 1ms;
    const Clock::time_point tail = phases.answered + 100ms;
    const bool transmitterTells = TransmitterStatusTells(samples, phases);
    RtsCounts counts;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const RtsWatch::Sample& sample = samples[i];
        if (sample.at < idle) {
            if (sample.rts && i + 1 < samples.size()) {
                counts.openingHighUs += MicrosBetween(sample.at, samples[i + 1].at);
            }
        } else if (sample.at < phases.written) {
            ++counts.idleSamples;
            counts.idleHigh += sample.rts;
        } else if (sample.at < tail) {
            ++counts.sendSamples;
            counts.sendHigh += sample.rts;
            counts.lowWhileUnsent +=
                !sample.rts &&
                (sample.unsent > 0 || (transmitterTells && !sample.transmitterEmpty));
        } else {
            ++counts.tailSamples;
            counts.tailHigh += sample.rts;
        }
    }
    return counts;
}

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void WaitForStopRequest() {
    sigset_t stopSignals;
    sigset_t before;
    ::sigemptyset(&stopSignals);
    ::sigaddset(&stopSignals, SIGTERM);
    ::sigaddset(&stopSignals, SIGINT);
    ::sigprocmask(SIG_BLOCK, &stopSignals, &before);
    while (stopRequested == 0) {
        ::sigsuspend(&before);
    }
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

void StopDumpAsTheWindowDoes(InstrumentLink& link) {
    link.StopDump();
    int silentTicks = 0;
    while (silentTicks < kSilentTicksToEnd) {
        link.WaitForUnread(kDumpTickMs);
        silentTicks = link.ReadReply().empty() ? silentTicks + 1 : 0;
    }
    link.Reset();
    link.DiscardUnread();
}

}  // namespace

int ApplyEachSetting(const std::string& port) {
    PortManager& manager = *GetPortManager();
    const LineObserver observer(DevicePathForPortName(port));
    LineCollector listener;
    if (!observer.IsOpen() || manager.Open(port, &listener) == nullptr) {
        Print("NOPORT " + port);
        return 1;
    }
    std::string settings;
    while (std::getline(std::cin, settings)) {
        std::string name = port;
        std::string text = settings;
        const bool configured = manager.Configure(name, text);
        std::string stored;
        manager.GetSettings(name, stored);
        Print("SETTING " + settings + " configured=" + (configured ? "1" : "0") +
              " stored=" + stored + " " + LineReadback(observer.Fd()));
    }
    manager.Close(port, &listener);
    manager.CloseAll();
    return 0;
}

int WatchRts(const std::string& port) {
    PortManager& manager = *GetPortManager();
    const LineObserver observer(DevicePathForPortName(port));
    if (!observer.IsOpen()) {
        Print("NOPORT " + port);
        return 1;
    }
    // Watched from before the port opens the device: the open must not leave RTS up.
    RtsWatch watch(observer.Fd());
    RtsPhases phases;
    watch.Start();
    LineCollector listener;
    Port* opened = manager.Open(port, &listener);
    phases.opened = Clock::now();
    if (opened == nullptr) {
        watch.Stop();
        Print("NOPORT " + port);
        return 1;
    }
    std::this_thread::sleep_for(300ms);
    // Several queries, one after the other's answer: RTS may be up for little more than a
    // millisecond each time, and the watch thread is not always on a processor.
    phases.written = Clock::now();
    bool answered = true;
    for (std::size_t query = 1; query <= kRtsQueries && answered; ++query) {
        opened->Write("0VQ");
        opened->Write("\r");
        answered = listener.WaitForLines(query, 2000ms);
    }
    phases.answered = Clock::now();
    std::this_thread::sleep_for(300ms);
    watch.Stop();
    manager.Close(port, &listener);
    manager.CloseAll();

    const RtsCounts counts = CountRts(watch.Samples(), phases);
    std::printf(
        "RTS readable=%d answered=%d opening_high_us=%ld idle_samples=%ld idle_high=%ld "
        "send_samples=%ld send_high=%ld low_while_unsent=%ld tail_samples=%ld tail_high=%ld "
        "send_us=%ld\n",
        watch.ModemLinesReadable(), answered, counts.openingHighUs, counts.idleSamples,
        counts.idleHigh, counts.sendSamples, counts.sendHigh, counts.lowWhileUnsent,
        counts.tailSamples, counts.tailHigh, MicrosBetween(phases.written, phases.answered));
    return 0;
}

int QueryVoltage(const std::string& port, int sensor) {
    const std::unique_ptr<InstrumentLink> link = OfflineLink(port);
    if (!link) {
        return 1;
    }
    link->QueryVoltage(static_cast<SensorIndex>(sensor));
    Print("VOLTAGE " + WaitForReply(*link, kReplyWaitMs));
    return 0;
}

int RunDump(const std::string& port) {
    ::signal(SIGTERM, RequestStop);
    ::signal(SIGINT, RequestStop);
    std::unique_ptr<InstrumentLink> link = OfflineLink(port);
    if (!link || !link->StartDump(false)) {
        Print("DUMP REFUSED");
        return 1;
    }
    Print("DUMP RUNNING");
    long samples = 0;
    int silentTicks = 0;
    while (stopRequested == 0 && silentTicks < kSilentTicksToEnd) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kDumpTickMs));  // the dump timer
        const std::string text = link->ReadReply();
        silentTicks = text.empty() ? silentTicks + 1 : 0;
        if (!text.empty() && ++samples <= kSamplesShown) {
            Print("SAMPLE " + text);
        }
    }
    if (stopRequested == 0) {
        Print("DUMP SILENT");  // the window's dump ends so too
        WaitForStopRequest();
    }
    StopDumpAsTheWindowDoes(*link);
    link.reset();
    GetPortManager()->CloseAll();
    Print("DUMP STOPPED samples=" + std::to_string(samples));
    return 0;
}
