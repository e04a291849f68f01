// The link's line assembly and reply states. One byte stream (shorter than the store, its lines
// shorter than the longest line kept) is fed to a link in chunks of 1 to 5 bytes and to a
// second link in chunks of any size, with reads in between, each reply's lines after their own
// command (a command drops what came before it); both must give the lines an independent
// splitter finds, joined or in turn as the reply state says.

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

void IssueCommand(InstrumentLink& link, Mode mode) {
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
    }
    ~Run() {
        // Nothing reaches the port, so the link's going online does not wait for an answer.
        manager_.port.AcceptWrites(0);
        link_.reset();
    }

    void Feed(const std::string& chunk) { manager_.port.Deliver(chunk); }

    // The command whose reply the next group of lines is: nothing may be unread.
    void Issue() {
        FUZZ_CHECK(!link_->IsPending());
        FUZZ_CHECK(!link_->WaitForUnread(0));
        IssueCommand(*link_, mode_);
    }

    void Read() {
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

// Breaks lines longer than kLongestLine bytes, so that no line is cut (two joined lines
// included): cutting has tests of its own.
std::string WithShortLines(std::string stream) {
    constexpr std::size_t kLongestLine = 2000;
    std::size_t lineLength = 0;
    for (char& byte : stream) {
        if (byte == '\n') {
            lineLength = 0;
        } else if (++lineLength > kLongestLine) {
            byte = '\n';
            lineLength = 0;
        }
    }
    return stream;
}

// The stream cut where one reply ends and the next command's reply begins; the last piece may
// be an unfinished reply. A dump is one reply.
std::vector<std::string> Replies(Mode mode, const std::string& stream) {
    if (mode == Mode::Dump) {
        return {stream};
    }
    std::vector<std::string> replies;
    std::string reply;
    std::string line;  // without carriage returns
    int lines = 0;
    for (const char byte : stream) {
        reply.push_back(byte);
        if (byte != '\n') {
            if (byte != '\r') {
                line.push_back(byte);
            }
            continue;
        }
        ++lines;
        const bool ended = mode == Mode::OneLine || (mode == Mode::TwoLines && lines == 2) ||
                           (mode == Mode::Training && (lines == 3 || (lines == 2 && line != "OK")));
        line.clear();
        if (ended) {
            replies.push_back(std::move(reply));
            reply.clear();
            lines = 0;
        }
    }
    if (!reply.empty()) {
        replies.push_back(std::move(reply));
    }
    return replies;
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
    stream = WithShortLines(std::move(stream));
    const std::vector<std::string> replies = Replies(mode, stream);
    std::minstd_rand random(seed);

    Run small(mode);
    for (const std::string& reply : replies) {
        small.Issue();
        for (std::size_t at = 0; at < reply.size();) {
            const std::size_t length = 1 + random() % 5;
            small.Feed(reply.substr(at, length));
            at += length;
            for (unsigned reads = random() % 3; reads > 0; --reads) {
                small.Read();
            }
        }
        small.ReadAll();
    }
    Check(mode, stream, small);

    Run large(mode);
    for (const std::string& reply : replies) {
        large.Issue();
        for (std::size_t at = 0; at < reply.size();) {
            const std::size_t length = 1 + random() % 4096;
            large.Feed(reply.substr(at, length));
            at += length;
            large.Read();
        }
        large.ReadAll();
    }
    Check(mode, stream, large);
    return 0;
}
