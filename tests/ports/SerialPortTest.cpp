#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "PortTestSupport.h"
#include "platform/DeviceIo.h"
#include "platform/ExclusiveDevice.h"
#include "ports/SerialPort.h"
#include "ports/SerialWaitPlan.h"

using namespace porttest;
using Clock = std::chrono::steady_clock;

namespace {

class SerialPortTest : public ::testing::Test {
  protected:
    PtyPair pty;
    DeviceOverride override_{"COM1", pty.SlavePath()};
    std::unique_ptr<SerialPort> port = std::make_unique<SerialPort>("COM1");
    RecordingListener listener;

    std::string Settings() {
        std::string out;
        port->GetSettings(out);
        return out;
    }

    termios FarSideAttributes() {
        termios attributes{};
        tcgetattr(pty.Master(), &attributes);
        return attributes;
    }

    void TearDown() override { port.reset(); }
};

// A listener that sends every chunk straight back: OnReceive may call Write.
class EchoListener : public PortListener {
  public:
    explicit EchoListener(Port& port) : port_(port) {}
    void OnReceive(const std::string& chunk) override { port_.Write(chunk); }

  private:
    Port& port_;
};

TEST_F(SerialPortTest, WriteBeforeAttachFailsAndQueuesNothing) {
    EXPECT_FALSE(port->Write("1VQ"));
    EXPECT_EQ(port->QueuedCount(), 0u);
    EXPECT_EQ(port->GetStatus(), 0);
    EXPECT_EQ(port->GetTypeName(), "Serial Port");
}

TEST_F(SerialPortTest, AttachTwiceRegistersOnceAndSecondDetachFails) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Attach(&listener));
    EXPECT_EQ(port->GetStatus(), 1);
    EXPECT_TRUE(port->Detach(&listener));
    EXPECT_FALSE(port->Detach(&listener));
    EXPECT_EQ(port->GetStatus(), 0);
}

TEST_F(SerialPortTest, ReceivedBytesArriveInOrderInChunksOfAtMostFive) {
    RecordingListener second;
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Attach(&second));
    std::string sent("12\0AB\r\n\0\0xyz", 12);
    for (int i = 0; i < 20; ++i) {
        sent += static_cast<char>('a' + i);
    }
    pty.SendFromFarSide(sent);

    for (RecordingListener* each : {&listener, &second}) {
        ASSERT_TRUE(each->WaitForBytes(sent.size()));
        EXPECT_EQ(each->Joined(), sent);  // nothing lost, repeated or reordered; NULs kept
        // Each read takes at most 5 bytes, and 5 whenever that many are waiting.
        const auto chunks = each->Chunks();
        EXPECT_GE(chunks.size(), (sent.size() + 4) / 5);
        std::size_t fullReads = 0;
        for (const auto& chunk : chunks) {
            EXPECT_GE(chunk.size(), 1u);
            EXPECT_LE(chunk.size(), 5u);
            fullReads += chunk.size() == 5u ? 1 : 0;
        }
        EXPECT_GT(fullReads, 0u);
    }
    EXPECT_TRUE(port->Detach(&second));
}

TEST_F(SerialPortTest, WrittenStringsReachTheLineInOrderByteForByte) {
    ASSERT_TRUE(port->Attach(&listener));
    const std::string first = "3VQ";
    const std::string second("\r\0\xff", 3);
    ASSERT_TRUE(port->Write(first));
    ASSERT_TRUE(port->Write(second));
    EXPECT_EQ(pty.ReceiveOnFarSide(first.size() + second.size()), first + second);
}

TEST_F(SerialPortTest, ListenerMayWriteFromInsideOnReceive) {
    EchoListener echo(*port);
    ASSERT_TRUE(port->Attach(&echo));
    pty.SendFromFarSide("ping!");
    EXPECT_EQ(pty.ReceiveOnFarSide(5), "ping!");
    EXPECT_TRUE(port->Detach(&echo));
}

TEST_F(SerialPortTest, DetachedListenerIsNotCalledAgain) {
    ASSERT_TRUE(port->Attach(&listener));
    pty.SendFromFarSide("ab");
    ASSERT_TRUE(listener.WaitForBytes(2));
    ASSERT_TRUE(port->Detach(&listener));
    const std::size_t callsAtDetach = listener.CallCount();
    RecordingListener witness;  // proves the bytes sent next were read and delivered
    pty.HoldSlave();
    ASSERT_TRUE(port->Attach(&witness));
    pty.SendFromFarSide("cd");
    ASSERT_TRUE(witness.WaitForBytes(2));
    EXPECT_EQ(listener.CallCount(), callsAtDetach);
    EXPECT_TRUE(port->Detach(&witness));
}

// Blocks inside OnReceive until released, to catch a Detach racing with a delivery.
class BlockingListener : public PortListener {
  public:
    void OnReceive(const std::string&) override {
        std::unique_lock lock(mutex_);
        ++calls_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }
    bool WaitForCall() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [this] { return calls_ > 0; });
    }
    void Release() {
        {
            const std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    }
    int Calls() {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int calls_ = 0;
    bool released_ = false;
};

TEST_F(SerialPortTest, DetachWaitsForADeliveryInProgress) {
    BlockingListener blocking;
    ASSERT_TRUE(port->Attach(&blocking));
    pty.SendFromFarSide("x");
    ASSERT_TRUE(blocking.WaitForCall());
    auto detached = std::async(std::launch::async, [&] { return port->Detach(&blocking); });
    EXPECT_EQ(detached.wait_for(50ms), std::future_status::timeout);
    blocking.Release();
    EXPECT_TRUE(detached.get());
    pty.HoldSlave();
    RecordingListener witness;
    ASSERT_TRUE(port->Attach(&witness));
    pty.SendFromFarSide("yz");
    ASSERT_TRUE(witness.WaitForBytes(2));
    EXPECT_EQ(blocking.Calls(), 1);
    EXPECT_TRUE(port->Detach(&witness));
}

TEST_F(SerialPortTest, StatusIsTwoWhileStringsWaitWithoutListener) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));  // pacing holds the later strings back
    ASSERT_TRUE(port->Write("first"));
    ASSERT_TRUE(port->Write("second"));
    ASSERT_TRUE(port->Write("third"));
    ASSERT_EQ(pty.ReceiveOnFarSide(5), "first");
    ASSERT_TRUE(port->Detach(&listener));
    EXPECT_EQ(port->GetStatus(), 2);
    EXPECT_TRUE(port->IsDeviceOpen());  // not auto-closed while strings are queued

    EXPECT_EQ(pty.ReceiveOnFarSide(11), "secondthird");
    EXPECT_TRUE(WaitUntil([&] { return !port->IsDeviceOpen(); }));
    EXPECT_EQ(port->GetStatus(), 0);
}

TEST_F(SerialPortTest, AutoClosesAfterLastDetachAndReopensWithStoredSettings) {
    pty.HoldSlave();  // keeps the far side usable while the port has the device closed
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("19,e,7,2,0"));
    ASSERT_TRUE(port->Detach(&listener));
    ASSERT_TRUE(WaitUntil([&] { return !port->IsDeviceOpen(); }));
    EXPECT_FALSE(port->Write("x"));

    // Someone else changes the line meanwhile; reopening puts our settings back.
    termios changed = FarSideAttributes();
    cfsetospeed(&changed, B1200);
    changed.c_cflag &= ~CSTOPB;
    ASSERT_EQ(tcsetattr(pty.Master(), TCSANOW, &changed), 0);

    ASSERT_TRUE(port->Attach(&listener));
    EXPECT_TRUE(port->IsDeviceOpen());
    EXPECT_EQ(Settings(), "19,e,7,2,0");
    const termios line = FarSideAttributes();
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B19200));
    // A pseudo-terminal forces 8 data bits without parity; rate and stop bits stay visible.
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);
}

TEST_F(SerialPortTest, ClosingPutsTheLineBackAsItWasFound) {
    pty.HoldSlave();
    // A line left by a terminal program: 2400 baud, line editing and echo on.
    termios found = FarSideAttributes();
    cfsetospeed(&found, B2400);
    cfsetispeed(&found, B2400);
    found.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(tcsetattr(pty.Master(), TCSANOW, &found), 0);

    ASSERT_TRUE(port->Attach(&listener));
    const termios inUse = FarSideAttributes();
    ASSERT_EQ(cfgetospeed(&inUse), static_cast<speed_t>(B9600));
    ASSERT_EQ(inUse.c_lflag & (ICANON | ECHO), 0u);

    ASSERT_TRUE(port->Detach(&listener));
    ASSERT_TRUE(WaitUntil([&] { return !port->IsDeviceOpen(); }));
    const termios after = FarSideAttributes();
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B2400));
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
}

TEST_F(SerialPortTest, DestructionDiscardsQueuedStringsAndStopsTheThread) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));
    ASSERT_TRUE(port->Write("sent"));
    ASSERT_TRUE(port->Write("never"));
    ASSERT_TRUE(port->Write("sent either"));
    ASSERT_EQ(pty.ReceiveOnFarSide(4), "sent");
    EXPECT_EQ(port->RunningThreads(), 1);
    pty.HoldSlave();
    port.reset();
    EXPECT_EQ(pty.DrainFarSide(std::chrono::milliseconds(300 + 100)), "");
    // The device was released: it can be held exclusively again.
    platform::ExclusiveDevice device;
    EXPECT_TRUE(device.Open(pty.SlavePath(), O_RDWR | O_NONBLOCK));
}

TEST_F(SerialPortTest, PacingHoldsTheNextStringForThreeHundredMilliseconds) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));
    // "A" cannot leave before it is written, so the time from that Write to the arrival
    // of "B" bounds the gap from below however late this thread notices either.
    const auto firstWritten = Clock::now();
    ASSERT_TRUE(port->Write("A"));
    ASSERT_TRUE(port->Write("B"));
    ASSERT_EQ(pty.ReceiveOnFarSide(1), "A");
    ASSERT_EQ(pty.ReceiveOnFarSide(1), "B");
    EXPECT_GE(Clock::now() - firstWritten, std::chrono::milliseconds(300));
}

TEST_F(SerialPortTest, EachStringIsFollowedByAPauseOfFiveMilliseconds) {
    ASSERT_TRUE(port->Attach(&listener));
    // No string leaves before it is written, so the time from the first Write to the
    // arrival of the last bounds the nine pauses from below however late either is seen.
    const auto firstWritten = Clock::now();
    for (const char text : std::string("0123456789")) {
        ASSERT_TRUE(port->Write(std::string(1, text)));
    }
    ASSERT_EQ(pty.ReceiveOnFarSide(10), "0123456789");
    EXPECT_GE(Clock::now() - firstWritten, 9 * std::chrono::milliseconds(5));
}

TEST_F(SerialPortTest, AcknowledgeReplyLetsTheNextStringGoAtOnce) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));
    ASSERT_TRUE(port->Write("A"));
    ASSERT_EQ(pty.ReceiveOnFarSide(1), "A");
    const auto firstArrived = Clock::now();
    port->AcknowledgeReply();
    ASSERT_TRUE(port->Write("B"));
    ASSERT_EQ(pty.ReceiveOnFarSide(1), "B");
    EXPECT_LT(Clock::now() - firstArrived, std::chrono::milliseconds(300));
}

TEST_F(SerialPortTest, ConfigureOnClosedDeviceFailsAndKeepsSettings) {
    EXPECT_FALSE(port->Configure("19,n,8,1,1"));
    std::string untouched = "marker";
    port->GetSettings(untouched);  // a closed device leaves out unchanged
    EXPECT_EQ(untouched, "marker");
    ASSERT_TRUE(port->Attach(&listener));
    EXPECT_EQ(Settings(), "96,n,8,1,0");
    EXPECT_EQ(port->PacingValue(), 0);
}

TEST_F(SerialPortTest, FourFieldsGetCommaZeroAndKeepThePacingValue) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("48,o,8,1,3"));
    EXPECT_EQ(port->PacingValue(), 3);
    ASSERT_TRUE(port->Configure("24,N,8,2"));
    EXPECT_EQ(Settings(), "24,N,8,2,0");
    EXPECT_EQ(port->PacingValue(), 3);
    const termios line = FarSideAttributes();
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B2400));
    EXPECT_EQ(line.c_cflag & PARENB, 0u);
}

TEST_F(SerialPortTest, PacingDigitIsCharacterTenAndLaterCharactersAreKept) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,m,8,1,x extra"));
    EXPECT_EQ(Settings(), "96,m,8,1,x extra");
    EXPECT_EQ(port->PacingValue(), static_cast<std::uint8_t>('x' - '0'));
    const termios line = FarSideAttributes();
    // A pseudo-terminal drops PARENB; the mark/space selection stays visible.
    EXPECT_EQ(line.c_cflag & (CMSPAR | PARODD), static_cast<tcflag_t>(CMSPAR | PARODD));
    ASSERT_TRUE(port->Configure("96,S,8,1,0"));
    EXPECT_EQ(port->PacingValue(), 0);
    EXPECT_EQ(FarSideAttributes().c_cflag & (CMSPAR | PARODD), static_cast<tcflag_t>(CMSPAR));
}

TEST_F(SerialPortTest, RejectedSettingsChangeNothing) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));
    ASSERT_TRUE(port->Write("head"));
    ASSERT_TRUE(port->Write("waiting"));
    ASSERT_EQ(pty.ReceiveOnFarSide(4), "head");
    // The head leaves the queue just after its bytes reach the line.
    ASSERT_TRUE(WaitUntil([&] { return port->QueuedCount() == 1u; }));
    for (const char* bad : {"97,n,8,1,0", "96,x,8,1,0", "96,n,9,1,0", "96,n,4,1,0", "96,n,8,3,0",
                            "96;n,8,1,0", "9600,n,8,1", "96,n,8", ""}) {
        EXPECT_FALSE(port->Configure(bad)) << bad;
        EXPECT_EQ(Settings(), "96,n,8,1,1") << bad;
        EXPECT_EQ(port->PacingValue(), 1) << bad;
    }
    // The queue was kept: the paced string still goes out.
    EXPECT_EQ(pty.ReceiveOnFarSide(7), "waiting");
}

TEST_F(SerialPortTest, SuccessfulConfigureDiscardsQueuedStrings) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));
    ASSERT_TRUE(port->Write("head"));
    ASSERT_TRUE(port->Write("dropped"));
    ASSERT_EQ(pty.ReceiveOnFarSide(4), "head");
    ASSERT_TRUE(port->Configure("96,n,8,1,0"));
    EXPECT_EQ(port->QueuedCount(), 0u);
    ASSERT_TRUE(port->Write("after"));
    EXPECT_EQ(pty.ReceiveOnFarSide(5), "after");
}

TEST_F(SerialPortTest, OpenDeviceIsHeldExclusively) {
    ASSERT_TRUE(port->Attach(&listener));
    platform::ExclusiveDevice other;
    EXPECT_FALSE(other.Open(pty.SlavePath(), O_RDWR | O_NONBLOCK));
    SerialPort rival("COM1");
    RecordingListener rivalListener;
    EXPECT_FALSE(rival.Attach(&rivalListener));
    EXPECT_EQ(rival.GetStatus(), 0);
}

TEST_F(SerialPortTest, MissingDeviceFailsAttach) {
    const DeviceOverride missing("COM2", "/dev/merrowby-no-such-device");
    SerialPort absent("COM2");
    EXPECT_FALSE(absent.Attach(&listener));
    EXPECT_EQ(absent.GetStatus(), 0);
    EXPECT_FALSE(absent.Write("x"));
}

TEST_F(SerialPortTest, DetachWakesASleepingThreadToCloseTheDevice) {
    ASSERT_TRUE(port->Attach(&listener));
    pty.SendFromFarSide("x");
    ASSERT_TRUE(listener.WaitForBytes(1));
    const std::uint64_t asleep = port->WakeCount();
    ASSERT_FALSE(WaitUntil([&] { return port->WakeCount() != asleep; }, 50ms)) << "not idle";
    ASSERT_TRUE(port->Detach(&listener));
    EXPECT_TRUE(WaitUntil([&] { return !port->IsDeviceOpen(); }, 1s));
}

TEST_F(SerialPortTest, AStringTheLineWouldNotTakeIsRetriedAndSentOnce) {
    ASSERT_TRUE(port->Attach(&listener));
    // More than the pseudo-terminal buffers while the far side reads nothing: the write
    // stalls, fails, and the rest is sent on later passes.
    std::string text;
    for (int i = 0; text.size() < 256 * 1024; ++i) {
        text += std::to_string(i) + ',';
    }
    ASSERT_TRUE(port->Write(text));
    ASSERT_TRUE(port->Write("end"));
    EXPECT_FALSE(WaitUntil([&] { return port->QueuedCount() < 2; }, 1500ms));
    EXPECT_EQ(pty.ReceiveOnFarSide(text.size() + 3, 10s), text + "end");
}

TEST_F(SerialPortTest, IdlePortSleepsUntilInputArrives) {
    ASSERT_TRUE(port->Attach(&listener));
    const std::uint64_t before = port->WakeCount();
    // A pass every millisecond would wake some 300 times meanwhile; a few times a second
    // at most is what an idle port may cost.
    EXPECT_FALSE(WaitUntil([&] { return port->WakeCount() - before > 3; }, 300ms));
    pty.SendFromFarSide("x");
    ASSERT_TRUE(listener.WaitForBytes(1));
    EXPECT_GT(port->WakeCount(), before);
}

TEST_F(SerialPortTest, TheThreadWaitsWithoutHoldingTheDeviceLock) {
    ASSERT_TRUE(port->Attach(&listener));
    pty.SendFromFarSide("x");
    ASSERT_TRUE(listener.WaitForBytes(1));
    // The pass that delivered the byte may still hold the lock: sample once the thread sleeps.
    const std::uint64_t asleep = port->WakeCount();
    ASSERT_FALSE(WaitUntil([&] { return port->WakeCount() != asleep; }, 50ms)) << "not idle";
    int held = 0;
    for (int i = 0; i < 1000; ++i) {
        held += port->IsDeviceLockFree() ? 0 : 1;
    }
    // Waiting under the lock would show it held nearly every time.
    EXPECT_LT(held, 10);
    EXPECT_EQ(Settings(), "96,n,8,1,0");
}

TEST_F(SerialPortTest, InputDuringThePausesAfterWritesIsDeliveredAtOnce) {
    ASSERT_TRUE(port->Attach(&listener));
    // Ten strings, each held back 5 ms after the one before: 45 ms after the first leaves.
    const std::string strings = "0123456789";
    for (const char text : strings) {
        ASSERT_TRUE(port->Write(std::string(1, text)));
    }
    ASSERT_EQ(pty.ReceiveOnFarSide(1), "0");
    const std::string input(100, 'x');  // twenty reads of 5 bytes
    pty.SendFromFarSide(input);
    ASSERT_TRUE(listener.WaitForBytes(input.size()));
    const std::string sentMeanwhile = pty.DrainFarSide(0ms);
    EXPECT_LT(sentMeanwhile.size(), strings.size() - 1) << "input waited for the pauses";
    EXPECT_EQ(sentMeanwhile + pty.ReceiveOnFarSide(strings.size() - 1 - sentMeanwhile.size()),
              strings.substr(1));
    EXPECT_EQ(listener.Joined(), input);
}

std::atomic<int> failedPolls{0};

int FailingPoll(pollfd*, nfds_t, const timespec*, const sigset_t*) {
    failedPolls.fetch_add(1);
    errno = ENOMEM;
    return -1;
}

// Puts the system's poll back however the test ends.
struct FailingPollInstalled {
    FailingPollInstalled() { platform::SetPollFunction(FailingPoll); }
    ~FailingPollInstalled() { platform::SetPollFunction(nullptr); }
};

TEST_F(SerialPortTest, AFailingPollIsWaitedOutNotSpunOn) {
    ASSERT_TRUE(port->Attach(&listener));
    {
        const FailingPollInstalled failing;
        pty.SendFromFarSide("w");  // ends the wait in progress; the next ones fail
        // A pass straight after each failure would poll thousands of times meanwhile.
        EXPECT_FALSE(WaitUntil([] { return failedPolls.load() > 50; }, 200ms));
        EXPECT_GT(failedPolls.load(), 0);
    }
    pty.SendFromFarSide("x");
    EXPECT_TRUE(listener.WaitForBytes(2));
    EXPECT_EQ(listener.Joined(), "wx");
}

}  // namespace

namespace {

// The thread's sleep, decided from what it knows.
class SerialWaitPlanTest : public ::testing::Test {
  protected:
    PtyPair pty;
    SerialWaitState state;
    void SetUp() override {
        state.deviceFd = pty.Master();
        state.now = Clock::now();
    }
};

TEST_F(SerialWaitPlanTest, AnUnusedDeviceIsClosedOnTheNextPassHoweverLateTheThreadRuns) {
    // The last string went out and its 5 ms pause ended while the thread was held up.
    state.holdUntil = state.now - std::chrono::milliseconds(5);
    const PortThread::WaitFor late = PlanSerialWait(state);
    ASSERT_TRUE(late.deadline.has_value());
    EXPECT_LE(*late.deadline, state.now);

    state.holdUntil = state.now + std::chrono::milliseconds(5);
    EXPECT_EQ(PlanSerialWait(state).deadline, state.holdUntil) << "the pause still holds";
    state.hasListener = true;
    state.holdUntil = {};
    EXPECT_FALSE(PlanSerialWait(state).deadline.has_value()) << "in use: sleep until woken";
    EXPECT_EQ(PlanSerialWait(state).inputFd, pty.Master());
}

}  // namespace
