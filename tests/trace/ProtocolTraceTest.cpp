// The trace's writer thread: gathering received bytes into lines, the idle flush of a partial
// line, and a full queue, against a real serial port on a pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "PortTestSupport.h"
#include "TraceLines.h"
#include "ports/SerialPort.h"
#include "trace/ProtocolTrace.h"

namespace {

using namespace porttest;
using namespace tracetest;
using Lines = std::vector<std::string>;

TEST(ProtocolTraceTest, WritesAreEntriesReceivedBytesGatherIntoLinesAPartialLineAfterIdling) {
    TempDir dir;
    trace::ProtocolTrace trace(dir.File("trace.txt"));
    ASSERT_TRUE(trace.FileOpen());
    TraceLines lines(trace.History());

    trace.Written("COM2", "0VQ");
    trace.Written("COM2", "\r");
    trace.Received("COM2", "7F");
    trace.Received("COM2", "F\r");
    trace.Received("COM2", "\n12");
    const auto lastByte = std::chrono::steady_clock::now();
    trace.Received("COM2", "3");
    ASSERT_TRUE(lines.WaitFor(4));
    const auto partialShown = std::chrono::steady_clock::now();

    const Lines expected{"COM2 > 0VQ", "COM2 > \\r", "COM2 < 7FF\\r\\n", "COM2 < 123"};
    EXPECT_EQ(WithoutTimes(lines.Lines()), expected);
    EXPECT_GE(partialShown - lastByte, std::chrono::milliseconds(100));
    EXPECT_EQ(SplitLines(ReadFile(dir.File("trace.txt"))), lines.Lines());
}

TEST(ProtocolTraceTest, AWriteLetsOutThePortsPartialLineFirst) {
    trace::ProtocolTrace trace;
    TraceLines lines(trace.History());
    trace.Received("COM1", "OK");
    trace.Written("COM1", "M");
    ASSERT_TRUE(lines.WaitFor(2));
    EXPECT_EQ(WithoutTimes(lines.Lines()), (Lines{"COM1 < OK", "COM1 > M"}));
}

// A line without line feeds is an entry of its first 4 KiB and a note of the bytes dropped up
// to its line feed; the next line is whole.
TEST(ProtocolTraceTest, AnEndlessLineIsCutAtFourKibibytesWithANoteOfTheRest) {
    constexpr std::size_t kKept = 4096;
    constexpr std::size_t kLine = 1 << 20;
    trace::ProtocolTrace trace;
    TraceLines lines(trace.History());
    const std::string chunk(1024, 'A');  // chunks the queue has room for
    for (std::size_t fed = 0; fed < kLine; fed += chunk.size()) {
        trace.Received("COM1", chunk);
    }
    trace.Received("COM1", "\r\nOK\r\n");
    ASSERT_TRUE(lines.WaitFor(3));
    const std::size_t dropped = kLine - kKept + 1;  // the carriage return with the rest
    EXPECT_EQ(WithoutTimes(lines.Lines()), (Lines{"COM1 < " + std::string(kKept, 'A') + "\\n",
                                                  "trace: COM1 line longer than 4096 bytes, " +
                                                      std::to_string(dropped) + " bytes dropped",
                                                  "COM1 < OK\\r\\n"}));
}

TEST(ProtocolTraceTest, AFileThatCannotBeOpenedLeavesTheHistoryTracing) {
    TempDir dir;
    trace::ProtocolTrace trace(dir.File("missing/trace.txt"));
    EXPECT_FALSE(trace.FileOpen());
    EXPECT_FALSE(trace.FileError().empty());
    TraceLines lines(trace.History());
    trace.Written("COM1", "N");
    ASSERT_TRUE(lines.WaitFor(1));
    EXPECT_EQ(WithoutTimes(lines.Lines()), Lines{"COM1 > N"});
}

TEST(ProtocolTraceTest, AStringIsTracedWhenItGoesOutAndADroppedOneAsDropped) {
    PtyPair pty;
    const DeviceOverride com1("COM1", pty.SlavePath());
    trace::ProtocolTrace trace;
    TraceLines lines(trace.History());
    RecordingListener listener;
    auto port = std::make_unique<SerialPort>("COM1");
    ASSERT_TRUE(port->Attach(&listener));
    // Pacing holds "B" back for 300 ms; a new configuration drops it meanwhile.
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));
    ASSERT_TRUE(port->Write("A"));
    ASSERT_TRUE(port->Write("B"));
    ASSERT_EQ(pty.ReceiveOnFarSide(1), "A");
    ASSERT_TRUE(port->Configure("96,n,8,1,0"));
    EXPECT_EQ(pty.DrainFarSide(std::chrono::milliseconds(0)), "");

    // The line is unplugged: nothing goes out. A string is refused once the port has seen the
    // hang-up; one queued before that is dropped with the port.
    pty.CloseMaster();
    const bool queued = port->Write("N");
    port->Detach(&listener);
    port.reset();
    ASSERT_TRUE(trace.WaitUntilWritten(kDeadline));
    Lines expected{"COM1 > A", "COM1 dropped B"};
    if (queued) {
        expected.push_back("COM1 dropped N");
    }
    EXPECT_EQ(WithoutTimes(lines.Lines()), expected);
}

// A FIFO whose reader reads only when told: the trace's writer thread blocks on it.
class StalledFifo {
  public:
    explicit StalledFifo(const std::string& path) {
        if (::mkfifo(path.c_str(), 0600) != 0) {
            return;
        }
        reader_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
        const int filler = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        const std::string junk(4096, '#');
        while (filler >= 0 && ::write(filler, junk.data(), junk.size()) > 0) {
        }
        full_ = filler >= 0 && errno == EAGAIN;
        if (filler >= 0) {
            ::close(filler);
        }
    }
    ~StalledFifo() {
        if (reader_ >= 0) {
            ::close(reader_);
        }
    }
    StalledFifo(const StalledFifo&) = delete;
    StalledFifo& operator=(const StalledFifo&) = delete;

    bool IsFull() const { return reader_ >= 0 && full_; }
    // Reads (and keeps reading) until the text read so far satisfies done.
    bool ReadUntil(const std::function<bool(const std::string&)>& done) {
        const auto end = std::chrono::steady_clock::now() + kDeadline;
        while (std::chrono::steady_clock::now() < end) {
            pollfd request{reader_, POLLIN, 0};
            ::poll(&request, 1, 100);
            char buffer[4096];
            const ssize_t n = ::read(reader_, buffer, sizeof buffer);
            if (n > 0) {
                text_.append(buffer, static_cast<std::size_t>(n));
            }
            if (done(text_)) {
                return true;
            }
        }
        return false;
    }

  private:
    int reader_ = -1;
    bool full_ = false;
    std::string text_;
};

TEST(ProtocolTraceTest, AFullQueueDropsAndCountsAndNeverHoldsUpThePortThread) {
    TempDir dir;
    StalledFifo fifo(dir.File("trace.fifo"));
    ASSERT_TRUE(fifo.IsFull());
    PtyPair pty;
    const DeviceOverride com1("COM1", pty.SlavePath());
    trace::ProtocolTrace trace(dir.File("trace.fifo"), 4);
    ASSERT_TRUE(trace.FileOpen());
    {
        SerialPort port("COM1");
        RecordingListener listener;
        ASSERT_TRUE(port.Attach(&listener));
        std::string burst;
        for (int i = 0; i < 20; ++i) {
            burst += "0123456789\n";
        }
        pty.SendFromFarSide(burst);
        // The writer is stuck on its first line, yet every byte reaches the listener.
        ASSERT_TRUE(listener.WaitForBytes(burst.size()));
        EXPECT_EQ(listener.Joined(), burst);
        ASSERT_TRUE(port.Detach(&listener));
    }
    const std::uint64_t dropped = trace.DroppedCount();
    EXPECT_GT(dropped, 0u);

    // Drops are noted as they are taken, perhaps in several notes; together they count all.
    std::uint64_t noted = 0;
    const auto notesCountAll = [&](const std::string& text) {
        static const std::string kNote = " trace: ";
        noted = 0;
        for (auto at = text.find(kNote); at != std::string::npos; at = text.find(kNote, at + 1)) {
            noted += std::strtoull(text.c_str() + at + kNote.size(), nullptr, 10);
        }
        return noted >= dropped;
    };
    EXPECT_TRUE(fifo.ReadUntil(notesCountAll));
    EXPECT_EQ(noted, dropped);
    EXPECT_TRUE(trace.WaitUntilWritten(kDeadline));
}

}  // namespace
