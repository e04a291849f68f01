#include "tools/cardsim/CardSimulator.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "tools/cardsim/CardModel.h"
#include "tools/cardsim/CommandReader.h"
#include "tools/cardsim/PseudoTerminal.h"

namespace cardsim {

namespace {

using Clock = std::chrono::steady_clock;

// Samples are dropped while this much output waits for a reader, as a card's buffer would.
constexpr std::size_t kMaxQueuedBytes = 64 * 1024;

struct Segment {
    std::string bytes;
    Clock::time_point notBefore;
    Clock::duration gapBefore{};  // pause after the previous segment was written
    bool sample = false;
};

std::string MakeLink(const std::string& linkPath, const std::string& target) {
    if (linkPath.empty()) {
        return {};
    }
    struct stat info {};
    if (lstat(linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            throw std::runtime_error(linkPath + " exists and is not a symbolic link");
        }
        unlink(linkPath.c_str());
    }
    if (symlink(target.c_str(), linkPath.c_str()) != 0) {
        throw std::runtime_error("symlink " + linkPath + ": " + std::strerror(errno));
    }
    return linkPath;
}

class EventFd {
  public:
    EventFd() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        if (fd_ < 0) {
            throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
        }
    }
    ~EventFd() { close(fd_); }
    EventFd(const EventFd&) = delete;
    EventFd& operator=(const EventFd&) = delete;

    int Fd() const { return fd_; }
    void Signal() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = write(fd_, &one, sizeof one);
    }
    void Drain() const {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto n = read(fd_, &count, sizeof count);
    }

  private:
    int fd_;
};

}  // namespace

struct CardSimulator::Impl {
    Impl(CardOptions opts, TraceFunction traceFunction)
        : options(std::move(opts)),
          trace(std::move(traceFunction)),
          linkPath(MakeLink(options.linkPath, pty.SlavePath())),
          model(options.sensors, options.startOnline, options.powerLevel) {
        model.SetLowerCaseHex(options.lowerCaseHex);
        model.SetNoise(options.noiseAmplitude, options.noiseSeed);
        thread = std::thread([this] { Run(); });
    }

    ~Impl() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.Signal();
        thread.join();
        if (!linkPath.empty()) {
            unlink(linkPath.c_str());
        }
    }

    // Everything below marked "locked" runs with the mutex held.
    bool Deaf() const {
        return options.silent ||
               (options.silentAfterCommands && answered >= *options.silentAfterCommands);
    }

    void Run();
    void ReadInput(std::vector<TraceEvent>& traces);
    void Handle(const ReceivedCommand& command, Clock::time_point now,
                std::vector<TraceEvent>& traces);                           // locked
    void RunTimers(Clock::time_point now);                                  // locked
    bool WriteDue(Clock::time_point now, std::vector<TraceEvent>& traces);  // locked
    int NextTimeoutMs(Clock::time_point now, bool writeBlocked) const;      // locked
    void QueueReply(std::vector<std::string> lines, Clock::time_point notBefore,
                    bool commandReply = true);
    std::chrono::milliseconds ReplyDelay(const std::string& command) const;
    void QueueText(const std::string& text, Clock::time_point notBefore, bool sample);

    template <typename F>
    void Change(F&& change) {
        {
            std::lock_guard lock(mutex);
            change();
        }
        wake.Signal();
    }

    template <typename Predicate>
    bool Wait(std::chrono::milliseconds timeout, Predicate predicate) const {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, predicate);
    }

    CardOptions options;
    TraceFunction trace;
    PseudoTerminal pty;
    std::string linkPath;
    EventFd wake;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    CardModel model;
    CommandReader reader;
    std::string received;
    std::string sent;
    std::vector<std::string> commands;
    int answered = 0;  // commands acted on since the silent-after count was set
    std::deque<Segment> queue;
    std::size_t queuedBytes = 0;
    Clock::time_point lastWrite{};
    std::optional<Clock::time_point> trainingEnd;
    std::optional<Clock::time_point> nextSample;
    bool stopping = false;
    std::thread thread;
};

void CardSimulator::Impl::Run() {
    std::vector<TraceEvent> traces;
    bool writeBlocked = false;
    for (;;) {
        int timeoutMs = -1;
        {
            std::lock_guard lock(mutex);
            if (stopping) {
                break;
            }
            const auto now = Clock::now();
            RunTimers(now);
            writeBlocked = WriteDue(now, traces);
            timeoutMs = NextTimeoutMs(now, writeBlocked);
        }
        changed.notify_all();
        if (trace) {
            for (const TraceEvent& event : traces) {
                trace(event);
            }
        }
        traces.clear();

        pollfd fds[2] = {
            {pty.MasterFd(), static_cast<short>(POLLIN | (writeBlocked ? POLLOUT : 0)), 0},
            {wake.Fd(), POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0) {
            continue;
        }
        if (fds[1].revents & POLLIN) {
            wake.Drain();
        }
        if (fds[0].revents & POLLIN) {
            ReadInput(traces);
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Not expected while our own slave descriptor is open; avoid spinning all the same.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

void CardSimulator::Impl::ReadInput(std::vector<TraceEvent>& traces) {
    char buffer[512];
    const ssize_t count = read(pty.MasterFd(), buffer, sizeof buffer);
    if (count <= 0) {
        return;
    }
    {
        std::lock_guard lock(mutex);
        const auto now = Clock::now();
        received.append(buffer, static_cast<std::size_t>(count));
        if (!options.hangUpAfter.empty() && received.ends_with(options.hangUpAfter)) {
            pty.HangUp();
            queue.clear();
            queuedBytes = 0;
        }
        for (ssize_t i = 0; i < count; ++i) {
            if (auto command = reader.Feed(buffer[i], model.DumpRunning())) {
                Handle(*command, now, traces);
            }
        }
    }
    changed.notify_all();
}

void CardSimulator::Impl::Handle(const ReceivedCommand& command, Clock::time_point now,
                                 std::vector<TraceEvent>& traces) {
    if (command.text.empty() && !command.tooLong) {
        return;  // a bare carriage return
    }
    commands.push_back(command.text);
    traces.push_back({false, command.text, now});
    if (Deaf()) {
        return;
    }
    ++answered;
    if (command.dumpStop) {
        model.StopDump();
        nextSample.reset();
        return;
    }
    if (command.tooLong) {
        QueueReply({replies::kLineTooLong}, now + options.replyDelay);
        return;
    }
    if (command.text == "M" && options.answerOnlineOnly) {
        return;
    }
    const bool wasTraining = model.TrainingSensor().has_value();
    std::vector<std::string> lines = model.Execute(command.text);
    const Clock::time_point replyAt = now + ReplyDelay(command.text);
    if (!wasTraining && model.TrainingSensor()) {
        trainingEnd = replyAt + options.trainingDuration;
    }
    if (model.DumpRunning() && (command.text == "LD" || command.text == "RD")) {
        nextSample = replyAt + options.dumpInterval;
    }
    QueueReply(std::move(lines), replyAt);
}

std::chrono::milliseconds CardSimulator::Impl::ReplyDelay(const std::string& command) const {
    const auto delay = options.commandDelays.find(command);
    return delay == options.commandDelays.end() ? options.replyDelay : delay->second;
}

void CardSimulator::Impl::RunTimers(Clock::time_point now) {
    if (trainingEnd && now >= *trainingEnd) {
        trainingEnd.reset();
        std::string line = model.FinishTraining();
        if (!Deaf()) {
            QueueReply({std::move(line)}, now, false);
        }
    }
    if (nextSample && now >= *nextSample) {
        if (!model.DumpRunning()) {
            nextSample.reset();
            return;
        }
        if (!Deaf()) {
            for (int i = 0; i < std::max(options.samplesPerInterval, 1); ++i) {
                std::string line = model.NextSample();
                if (queuedBytes < kMaxQueuedBytes) {
                    QueueText(
                        options.garbageBefore + line + options.garbageAfter + options.lineEnding,
                        now, true);
                }
            }
        }
        const auto interval = std::max(options.dumpInterval, std::chrono::milliseconds(1));
        *nextSample += interval;
        if (*nextSample <= now) {
            *nextSample = now + interval;
        }
    }
}

void CardSimulator::Impl::QueueReply(std::vector<std::string> lines, Clock::time_point notBefore,
                                     bool commandReply) {
    if (lines.empty()) {
        return;
    }
    if (commandReply) {
        for (int i = 1; i <= options.extraLines; ++i) {
            lines.push_back(FormatReply(replies::kExtraLine, i));
        }
    }
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += options.garbageBefore + lines[i] + options.garbageAfter;
        if (!(options.neverEndLine && i + 1 == lines.size())) {
            text += options.lineEnding;
        }
    }
    QueueText(text, notBefore, false);
}

void CardSimulator::Impl::QueueText(const std::string& text, Clock::time_point notBefore,
                                    bool sample) {
    const std::size_t chunk = options.chunkSize == 0 ? text.size() : options.chunkSize;
    for (std::size_t at = 0; at < text.size(); at += chunk) {
        const Clock::duration gap = at == 0 ? Clock::duration{} : Clock::duration{options.chunkGap};
        queue.push_back({text.substr(at, chunk), notBefore, gap, sample});
        queuedBytes += queue.back().bytes.size();
    }
}

// Returns true when the line would not take more bytes now.
bool CardSimulator::Impl::WriteDue(Clock::time_point now, std::vector<TraceEvent>& traces) {
    while (!queue.empty()) {
        Segment& front = queue.front();
        if (std::max(front.notBefore, lastWrite + front.gapBefore) > now) {
            return false;
        }
        const ssize_t written = write(pty.MasterFd(), front.bytes.data(), front.bytes.size());
        if (written <= 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        const auto count = static_cast<std::size_t>(written);
        sent.append(front.bytes, 0, count);
        traces.push_back({true, front.bytes.substr(0, count), now});
        lastWrite = now;
        queuedBytes -= count;
        if (count < front.bytes.size()) {
            front.bytes.erase(0, count);
            front.gapBefore = {};
            return true;
        }
        queue.pop_front();
    }
    return false;
}

int CardSimulator::Impl::NextTimeoutMs(Clock::time_point now, bool writeBlocked) const {
    std::optional<Clock::time_point> next;
    const auto consider = [&next](Clock::time_point t) {
        if (!next || t < *next) {
            next = t;
        }
    };
    if (!queue.empty() && !writeBlocked) {
        consider(std::max(queue.front().notBefore, lastWrite + queue.front().gapBefore));
    }
    if (trainingEnd) {
        consider(*trainingEnd);
    }
    if (nextSample) {
        consider(*nextSample);
    }
    if (!next) {
        return -1;
    }
    if (*next <= now) {
        return 0;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    return static_cast<int>(std::min<long long>(wait, 60'000));
}

// ---------------------------------------------------------------------------------------------

CardSimulator::CardSimulator(CardOptions options, TraceFunction trace)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(trace))) {}

CardSimulator::~CardSimulator() = default;

const std::string& CardSimulator::SlavePath() const {
    return impl_->pty.SlavePath();
}
const std::string& CardSimulator::LinkPath() const {
    return impl_->linkPath;
}

std::string CardSimulator::Received() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->received;
}

std::string CardSimulator::Sent() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->sent;
}

std::vector<std::string> CardSimulator::Commands() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->commands;
}

bool CardSimulator::WaitForReceived(std::function<bool(const std::string&)> predicate,
                                    std::chrono::milliseconds timeout) const {
    return impl_->Wait(timeout, [&] { return predicate(impl_->received); });
}

bool CardSimulator::WaitForReceivedContaining(const std::string& needle,
                                              std::chrono::milliseconds timeout) const {
    return impl_->Wait(timeout, [&] { return impl_->received.find(needle) != std::string::npos; });
}

bool CardSimulator::WaitForSent(std::function<bool(const std::string&)> predicate,
                                std::chrono::milliseconds timeout) const {
    return impl_->Wait(timeout, [&] { return predicate(impl_->sent); });
}

bool CardSimulator::WaitForSentContaining(const std::string& needle,
                                          std::chrono::milliseconds timeout) const {
    return impl_->Wait(timeout, [&] { return impl_->sent.find(needle) != std::string::npos; });
}

bool CardSimulator::WaitForCommandCount(std::size_t count,
                                        std::chrono::milliseconds timeout) const {
    return impl_->Wait(timeout, [&] { return impl_->commands.size() >= count; });
}

void CardSimulator::ClearRecord() {
    std::lock_guard lock(impl_->mutex);
    impl_->received.clear();
    impl_->sent.clear();
    impl_->commands.clear();
}

void CardSimulator::Inject(const std::string& bytes) {
    impl_->Change([&] {
        impl_->queue.push_back({bytes, Clock::now(), {}, false});
        impl_->queuedBytes += bytes.size();
    });
}

bool CardSimulator::Online() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.Online();
}

SensorState CardSimulator::Sensor(int sensor) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.Sensor(sensor);
}

bool CardSimulator::Reporting(bool rightTube) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.Reporting(rightTube);
}

std::string CardSimulator::PowerLevel() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.PowerLevel();
}

std::optional<BinContents> CardSimulator::Bin(int bin) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.Bin(bin);
}

bool CardSimulator::DumpRunning() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.DumpRunning();
}

bool CardSimulator::DumpRightTube() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.DumpRightTube();
}

std::optional<int> CardSimulator::TrainingSensor() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.TrainingSensor();
}

CardOptions CardSimulator::Options() const {
    std::lock_guard lock(impl_->mutex);
    CardOptions options = impl_->options;
    for (int i = 0; i < kSensorCount; ++i) {
        options.sensors[i] = impl_->model.Sensor(i);
    }
    options.startOnline = impl_->model.Online();
    options.powerLevel = impl_->model.PowerLevel();
    return options;
}

void CardSimulator::SetOnline(bool online) {
    impl_->Change([&] { impl_->model.SetOnline(online); });
}

void CardSimulator::SetSensor(int sensor, const SensorState& state) {
    impl_->Change([&] { impl_->model.SetSensor(sensor, state); });
}

void CardSimulator::SetOptions(const CardOptions& options) {
    impl_->Change([&] {
        CardOptions& mine = impl_->options;
        const CardOptions kept = mine;
        mine = options;
        mine.sensors = kept.sensors;
        mine.startOnline = kept.startOnline;
        mine.powerLevel = kept.powerLevel;
        mine.linkPath = kept.linkPath;
        impl_->answered = 0;
        impl_->model.SetLowerCaseHex(mine.lowerCaseHex);
        impl_->model.SetNoise(mine.noiseAmplitude, mine.noiseSeed);
    });
}

void CardSimulator::SetLineEnding(const std::string& lineEnding) {
    impl_->Change([&] { impl_->options.lineEnding = lineEnding; });
}

void CardSimulator::SetTrainingDuration(std::chrono::milliseconds duration) {
    impl_->Change([&] { impl_->options.trainingDuration = duration; });
}

void CardSimulator::SetDumpInterval(std::chrono::milliseconds interval) {
    impl_->Change([&] { impl_->options.dumpInterval = interval; });
}

void CardSimulator::SetNoise(int amplitude, std::uint32_t seed) {
    impl_->Change([&] {
        impl_->options.noiseAmplitude = amplitude;
        impl_->options.noiseSeed = seed;
        impl_->model.SetNoise(amplitude, seed);
    });
}

void CardSimulator::SetSilent(bool silent) {
    impl_->Change([&] { impl_->options.silent = silent; });
}

void CardSimulator::SetAnswerOnlineOnly(bool onlineOnly) {
    impl_->Change([&] { impl_->options.answerOnlineOnly = onlineOnly; });
}

void CardSimulator::SetSilentAfterCommands(std::optional<int> count) {
    impl_->Change([&] {
        impl_->options.silentAfterCommands = count;
        impl_->answered = 0;
    });
}

void CardSimulator::SetReplyDelay(std::chrono::milliseconds delay) {
    impl_->Change([&] { impl_->options.replyDelay = delay; });
}

void CardSimulator::SetChunking(std::size_t chunkSize, std::chrono::milliseconds gap) {
    impl_->Change([&] {
        impl_->options.chunkSize = chunkSize;
        impl_->options.chunkGap = gap;
    });
}

void CardSimulator::SetLowerCaseHex(bool lowerCase) {
    impl_->Change([&] {
        impl_->options.lowerCaseHex = lowerCase;
        impl_->model.SetLowerCaseHex(lowerCase);
    });
}

void CardSimulator::SetGarbage(const std::string& before, const std::string& after) {
    impl_->Change([&] {
        impl_->options.garbageBefore = before;
        impl_->options.garbageAfter = after;
    });
}

void CardSimulator::SetNeverEndLine(bool neverEnd) {
    impl_->Change([&] { impl_->options.neverEndLine = neverEnd; });
}

void CardSimulator::SetHangUpAfter(const std::string& received) {
    impl_->Change([&] { impl_->options.hangUpAfter = received; });
}

void CardSimulator::SetExtraLines(int count) {
    impl_->Change([&] { impl_->options.extraLines = count; });
}

void CardSimulator::SetSamplesPerInterval(int count) {
    impl_->Change([&] { impl_->options.samplesPerInterval = count; });
}

}  // namespace cardsim
