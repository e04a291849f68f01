// The link's line assembly and reply states. One byte stream (shorter than the store) is fed
// to a link in chunks of 1 to 5 bytes and to a second link in chunks of any size, with reads
// in between; both must give the lines an independent splitter finds, joined or in turn as
// the reply state says.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "protocol/InstrumentLink.h"
#include "tests/protocol/FakePortManager.h"

namespace {

enum class Mode { OneLine, TwoLines, Training, Dump };

// The stream's complete lines, carriage returns dropped.
std::vector<std::string> CompleteLines(const std::string& stream) {
    std::vector<std::string> lines;
    std::string line;
    for (const char byte : stream) {
        if (byte == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (byte != '\r') {
            line.push_back(byte);
        }
    }
    return lines;
}

std::vector<std::string> Expected(Mode mode, const std::string& stream) {
    const std::vector<std::string> lines = CompleteLines(stream);
    if (mode != Mode::TwoLines) {
        return lines;
    }
    std::vector<std::string> joined;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        joined.push_back(lines[i] + " " + lines[i + 1]);
    }
    return joined;
}

void Issue(InstrumentLink& link, Mode mode) {
    switch (mode) {
        case Mode::OneLine:
            FUZZ_CHECK(link.QueryVoltage(3));
            break;
        case Mode::TwoLines:
            FUZZ_CHECK(link.GoOnline());
            break;
        case Mode::Training:
            FUZZ_CHECK(link.TrainSensor(2));
            break;
        case Mode::Dump:
            FUZZ_CHECK(link.StartDump(false));
            break;
    }
    FUZZ_CHECK(link.IsPending());
}

class Run {
  public:
    explicit Run(Mode mode) : mode_(mode) {
        link_ = std::make_unique<InstrumentLink>("COM1", manager_);
        Issue(*link_, mode_);
    }
    ~Run() {
        // Nothing reaches the port, so the link's going online does not wait for an answer.
        manager_.port.AcceptWrites(0);
        link_.reset();
    }

    void Feed(const std::string& chunk) { manager_.port.Deliver(chunk); }

    void Read() {
        if (!link_->IsPending()) {
            Issue(*link_, mode_);
        }
        const ReplyState before = link_->State();
        std::string reply = link_->ReadReply();
        if (mode_ == Mode::Dump) {
            dumped_ += reply;
            return;
        }
        if (link_->State() != before || !reply.empty()) {
            // In one-line and training states every complete line moves the state on.
            if (before != ReplyState::OnlineFirstLine) {
                replies_.push_back(std::move(reply));
            }
        }
    }

    void ReadAll() {
        while (link_->WaitForUnread(0)) {
            Read();
        }
        Read();
    }

    std::vector<std::string> replies_;
    std::string dumped_;

  private:
    Mode mode_;
    FakePortManager manager_;
    std::unique_ptr<InstrumentLink> link_;
};

void Check(Mode mode, const std::string& stream, const Run& run) {
    if (mode == Mode::Dump) {
        std::string bytes;
        for (const char byte : stream) {
            if (byte != '\r' && byte != '\n') {
                bytes.push_back(byte);
            }
        }
        FUZZ_CHECK(run.dumped_ == bytes);
        return;
    }
    FUZZ_CHECK(run.replies_ == Expected(mode, stream));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto mode = static_cast<Mode>(input.ConsumeIntegralInRange(0, 3));
    const std::uint32_t seed = input.ConsumeIntegral<std::uint32_t>();
    std::string stream = input.ConsumeRemainingBytesAsString();
    if (stream.size() >= ReceiveStore::kCapacity) {
        stream.resize(ReceiveStore::kCapacity - 1);
    }
    std::minstd_rand random(seed);

    Run small(mode);
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t length = 1 + random() % 5;
        small.Feed(stream.substr(at, length));
        at += length;
        for (unsigned reads = random() % 3; reads > 0; --reads) {
            small.Read();
        }
    }
    small.ReadAll();
    Check(mode, stream, small);

    Run large(mode);
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t length = 1 + random() % 4096;
        large.Feed(stream.substr(at, length));
        at += length;
        large.Read();
    }
    large.ReadAll();
    Check(mode, stream, large);
    return 0;
}
