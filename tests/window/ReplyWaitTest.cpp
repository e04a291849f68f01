// The window's timed reply wait against the simulated card: the time-out and the result as they
// were, the waiting thread asleep until the card's bytes come.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>

#include "ConnectedWindow.h"
#include "protocol/InstrumentLink.h"

namespace {

using namespace windowtest;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// What the calling thread used while a wait ran: the time on the clock, its own CPU time and
// the times it gave up the processor of its own accord (each sleep or wait that blocked).
class ThreadCost {
  public:
    ThreadCost() : start_(steady_clock::now()), cpuStart_(CpuTime()), switchStart_(Switches()) {}

    milliseconds Elapsed() const {
        return std::chrono::duration_cast<milliseconds>(steady_clock::now() - start_);
    }
    milliseconds Cpu() const {
        return std::chrono::duration_cast<milliseconds>(CpuTime() - cpuStart_);
    }
    long VoluntarySwitches() const { return Switches() - switchStart_; }

  private:
    static std::chrono::nanoseconds CpuTime() {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    }
    static long Switches() {
        rusage usage{};
        ::getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_nvcsw;
    }

    steady_clock::time_point start_;
    std::chrono::nanoseconds cpuStart_;
    long switchStart_;
};

class ReplyWaitTest : public ConnectedWindowTest {
  protected:
    void TearDown() override {
        // The link's release waits for the card's answer to "N": let it answer at once.
        card->SetSilent(false);
        card->SetReplyDelay(milliseconds(0));
        ConnectedWindowTest::TearDown();
    }
};

// Spinning, a wait of 1000 ms costs about 1000 ms of processor time; asleep, almost none.
constexpr milliseconds kMostCpuForAWait{100};
// An event wait blocks once per wake-up; a loop of short sleeps, hundreds of times a second.
constexpr long kMostSwitchesForAWait = 20;

TEST_F(ReplyWaitTest, ASilentCardTimesOutAfterTheFullWaitAsleepAndResetsTheLink) {
    InstrumentLink* link = window->Link();
    card->SetSilent(true);
    ASSERT_TRUE(link->QueryVoltage(3));
    ASSERT_TRUE(link->IsPending());

    const ThreadCost cost;
    const std::string reply = window->WaitForReply(1000);

    EXPECT_EQ(reply, "");
    EXPECT_FALSE(link->IsPending()) << "the time-out resets the link";
    // The tick count is whole milliseconds: the wait is at least 999 ms of the clock.
    EXPECT_GE(cost.Elapsed(), milliseconds(999));
    EXPECT_LT(cost.Elapsed(), milliseconds(3000));
    EXPECT_LT(cost.Cpu(), kMostCpuForAWait) << "the wait spins";
    EXPECT_LT(cost.VoluntarySwitches(), kMostSwitchesForAWait) << "the wait polls in sleeps";
}

// The card answers 300 ms late, two bytes at a time 100 ms apart.
TEST_F(ReplyWaitTest, AReplyArrivingInPiecesMidWaitEndsTheWaitWithTheLine) {
    InstrumentLink* link = window->Link();
    card->ClearRecord();
    card->SetReplyDelay(milliseconds(300));
    card->SetChunking(2, milliseconds(100));
    ASSERT_TRUE(link->QueryVoltage(3));

    const ThreadCost cost;
    const std::string reply = window->WaitForReply(10000);
    const milliseconds elapsed = cost.Elapsed();

    ASSERT_TRUE(
        card->WaitForSent([](const std::string& s) { return s.ends_with("\n"); }, kDeadline));
    EXPECT_EQ(reply, SentLines(*card).back());
    EXPECT_GE(reply.size(), 3u) << "a line of several pieces";
    EXPECT_FALSE(link->IsPending());
    EXPECT_GE(elapsed, milliseconds(300)) << "not before the line end";
    EXPECT_LT(elapsed, milliseconds(5000)) << "the wait ends with the line, not at the time-out";
    EXPECT_LT(cost.Cpu(), kMostCpuForAWait) << "the wait spins";
    EXPECT_LT(cost.VoluntarySwitches(), kMostSwitchesForAWait) << "the wait polls in sleeps";
}

// Bytes of no reply (the link idle: the query abandoned) wake the wait, which goes back to
// sleep until its end.
TEST_F(ReplyWaitTest, BytesWhileIdleDoNotEndTheWait) {
    InstrumentLink* link = window->Link();
    card->ClearRecord();
    card->SetReplyDelay(milliseconds(200));
    ASSERT_TRUE(link->QueryVoltage(3));
    link->Reset();

    const ThreadCost cost;
    const std::string reply = window->WaitForReply(1000);

    ASSERT_TRUE(
        card->WaitForSent([](const std::string& s) { return s.ends_with("\n"); }, kDeadline));
    EXPECT_EQ(reply, "");
    EXPECT_GE(cost.Elapsed(), milliseconds(999));
    EXPECT_LT(cost.Cpu(), kMostCpuForAWait);
}

}  // namespace
