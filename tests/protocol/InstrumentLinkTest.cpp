#include "protocol/InstrumentLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/Tick.h"
#include "tests/protocol/FakePortManager.h"

namespace {

using std::chrono::milliseconds;
using Writes = std::vector<std::string>;
constexpr std::size_t kStoreCapacity = 65536;  // bytes the link's receive store holds

class InstrumentLinkTest : public ::testing::Test {
  protected:
    void Feed(const std::string& bytes) { manager_.port.Deliver(bytes); }

    // Calls ReadReply until it returns text, at most the given number of times.
    std::string ReadUntilText(int maxCalls = 4) {
        for (int i = 0; i < maxCalls; ++i) {
            std::string reply = link_->ReadReply();
            if (!reply.empty()) {
                return reply;
            }
        }
        return {};
    }

    void SetUp() override {
        link_ = std::make_unique<InstrumentLink>("COM1", manager_);
        manager_.port.AcceptWrites(-1);
    }
    void TearDown() override {
        // Answer the go-online of the destructor so that it does not wait out its time.
        manager_.port.AnswerEachCommand("online\r\nready\r\n");
        if (link_) {
            link_->SetLateReplyHandler({});  // a test's own
        }
        link_.reset();
    }

    FakePortManager manager_;
    std::unique_ptr<InstrumentLink> link_;
};

TEST_F(InstrumentLinkTest, OpensItsPortThroughTheManager) {
    ASSERT_EQ(manager_.opens.size(), 1u);
    EXPECT_EQ(manager_.opens[0].name, "COM1");
    EXPECT_EQ(manager_.opens[0].listener, link_.get());
    EXPECT_TRUE(link_->HasPort());
    EXPECT_EQ(link_->State(), ReplyState::Idle);
    EXPECT_EQ(link_->ReadReply(), "");
}

TEST_F(InstrumentLinkTest, TwoLineRepliesAreJoinedByOneSpace) {
    ASSERT_TRUE(link_->GoOnline());
    EXPECT_EQ(manager_.port.Writes(), (Writes{"N", "\r"}));
    EXPECT_EQ(link_->State(), ReplyState::OnlineFirstLine);
    Feed("Card\r\n");
    EXPECT_EQ(link_->ReadReply(), "");
    EXPECT_EQ(link_->State(), ReplyState::OnlineSecondLine);
    Feed("Online\r\n");
    EXPECT_EQ(link_->ReadReply(), "Card Online");
    EXPECT_EQ(link_->State(), ReplyState::Idle);

    manager_.port.ClearWrites();
    ASSERT_TRUE(link_->GoOffline());
    EXPECT_EQ(manager_.port.Writes(), (Writes{"M", "\r"}));
    EXPECT_EQ(link_->State(), ReplyState::OfflineFirstLine);
    Feed("Card\r\nOffline\r\n");
    EXPECT_EQ(link_->ReadReply(), "");
    EXPECT_EQ(link_->State(), ReplyState::OfflineSecondLine);
    EXPECT_EQ(link_->ReadReply(), "Card Offline");
    EXPECT_FALSE(link_->IsPending());
}

TEST_F(InstrumentLinkTest, TrainingPassesThroughItsThreeStagesAfterOk) {
    ASSERT_TRUE(link_->TrainSensor(3));
    EXPECT_EQ(manager_.port.Writes(), (Writes{"3L", "\r"}));
    EXPECT_EQ(link_->State(), ReplyState::TrainAcknowledge);
    Feed("TRAINING 3\r\nOK\r\n");
    EXPECT_EQ(link_->ReadReply(), "TRAINING 3");
    EXPECT_EQ(link_->State(), ReplyState::TrainStart);
    EXPECT_EQ(link_->ReadReply(), "OK");
    EXPECT_EQ(link_->State(), ReplyState::TrainResult);
    EXPECT_EQ(link_->ReadReply(), "");
    Feed("DONE\r\n");
    EXPECT_EQ(link_->ReadReply(), "DONE");
    EXPECT_EQ(link_->State(), ReplyState::Idle);
}

TEST_F(InstrumentLinkTest, TrainingEndsOnASecondLineOtherThanOk) {
    for (const std::string second : {"FAIL", "OK ", "ok", "OKAY"}) {
        SCOPED_TRACE(second);
        link_->DiscardUnread();
        ASSERT_TRUE(link_->TrainSensor(0));
        Feed("TRAINING 0\r\n" + second + "\r\nlater\r\n");
        EXPECT_EQ(link_->ReadReply(), "TRAINING 0");
        EXPECT_EQ(link_->ReadReply(), second);
        EXPECT_EQ(link_->State(), ReplyState::Idle);
        // The third line answers nothing: the next command drops it.
        ASSERT_TRUE(link_->QueryStatus());
        EXPECT_EQ(link_->ReadReply(), "");
        Feed("12 34 56 78 9A\r\n");
        EXPECT_EQ(link_->ReadReply(), "12 34 56 78 9A");
    }
}

TEST_F(InstrumentLinkTest, CarriageReturnsAreDroppedWhereverTheyStand) {
    ASSERT_TRUE(link_->QueryCurrent(1));
    Feed("\rO\r\rK\r\n");
    EXPECT_EQ(link_->ReadReply(), "OK");
    ASSERT_TRUE(link_->QueryCurrent(1));
    Feed("\r\r\n");
    EXPECT_EQ(link_->ReadReply(), "");
    EXPECT_FALSE(link_->IsPending()) << "an empty line ends a one-line reply";
}

TEST_F(InstrumentLinkTest, ZeroBytesAreKeptInTheLine) {
    ASSERT_TRUE(link_->QueryVoltage(0));
    Feed(std::string("A\0B\r\n", 5));
    EXPECT_EQ(link_->ReadReply(), std::string("A\0B", 3));
}

TEST_F(InstrumentLinkTest, ReplyInSmallChunksIsAssembledOverManyCalls) {
    const std::string reply = "0123456789ABCDEF fedcba 42";
    const std::string wire = reply + "\r\n";
    ASSERT_TRUE(link_->QueryVoltage(5));
    std::size_t sent = 0;
    int calls = 0;
    std::string result;
    while (result.empty() && sent < wire.size()) {
        const std::size_t size = std::min<std::size_t>(1 + calls % 5, wire.size() - sent);
        Feed(wire.substr(sent, size));
        sent += size;
        result = link_->ReadReply();
        ++calls;
        EXPECT_EQ(result.empty(), sent < wire.size());
    }
    EXPECT_EQ(result, reply);
    EXPECT_GT(calls, 5);
    EXPECT_FALSE(link_->IsPending());
}

TEST_F(InstrumentLinkTest, DumpReturnsHalfLinesAndStaysUntilStopped) {
    ASSERT_TRUE(link_->StartDump(false));
    EXPECT_EQ(manager_.port.Writes(), (Writes{"LD", "\r"}));
    EXPECT_EQ(link_->State(), ReplyState::DumpLeft);
    Feed("0001 0002 0003 0004\r\n0005 00");
    EXPECT_EQ(link_->ReadReply(), "0001 0002 0003 0004");
    EXPECT_EQ(link_->ReadReply(), "0005 00");
    EXPECT_EQ(link_->ReadReply(), "");
    Feed("06 0007 0008\r\n");
    EXPECT_EQ(link_->ReadReply(), "06 0007 0008");
    EXPECT_EQ(link_->State(), ReplyState::DumpLeft);

    manager_.port.ClearWrites();
    Feed("0009 000A 000B 000C\r\n000D");
    ASSERT_TRUE(link_->StopDump());
    EXPECT_EQ(manager_.port.Writes(), (Writes{"M"}));
    EXPECT_EQ(link_->State(), ReplyState::DumpStopping);
    // The first call drops one line with the state; later lines are collected in Idle.
    EXPECT_EQ(link_->ReadReply(), "");
    EXPECT_EQ(link_->State(), ReplyState::Idle);
    link_->DiscardUnread();
    link_->Reset();
    ASSERT_TRUE(link_->QueryStatus());
    Feed("12 34 56 78 9A\r\n");
    EXPECT_EQ(link_->ReadReply(), "12 34 56 78 9A");
}

TEST_F(InstrumentLinkTest, StopDumpOnlyInADumpState) {
    EXPECT_FALSE(link_->StopDump());
    EXPECT_TRUE(manager_.port.Writes().empty());
    ASSERT_TRUE(link_->QueryStatus());
    manager_.port.ClearWrites();
    EXPECT_FALSE(link_->StopDump());
    EXPECT_EQ(link_->State(), ReplyState::StatusValue);
    link_->Reset();

    ASSERT_TRUE(link_->StartDump(true));
    EXPECT_EQ(manager_.port.Writes(), (Writes{"RD", "\r"}));
    EXPECT_EQ(link_->State(), ReplyState::DumpRight);
    manager_.port.ClearWrites();
    manager_.port.AcceptWrites(0);
    EXPECT_FALSE(link_->StopDump()) << "a refused write keeps the dump running";
    EXPECT_EQ(link_->State(), ReplyState::DumpRight);
    manager_.port.AcceptWrites(-1);
    ASSERT_TRUE(link_->StopDump());
    EXPECT_EQ(manager_.port.WrittenBytes(), "M");
    EXPECT_FALSE(link_->StopDump()) << "only once";
    EXPECT_EQ(manager_.port.WrittenBytes(), "M");
}

TEST_F(InstrumentLinkTest, EveryCommandIsRefusedWhilePending) {
    ASSERT_TRUE(link_->QueryVoltage(2));
    manager_.port.ClearWrites();
    EXPECT_FALSE(link_->GoOnline());
    EXPECT_FALSE(link_->GoOffline());
    EXPECT_FALSE(link_->TrainSensor(1));
    EXPECT_FALSE(link_->SetVoltage(1.0, 1));
    EXPECT_FALSE(link_->SetTripPoint(1.0, 1));
    EXPECT_FALSE(link_->SaveTrainingData(1));
    EXPECT_FALSE(link_->RestoreTrainingData(1));
    EXPECT_FALSE(link_->SetPowerLevel("0123"));
    EXPECT_FALSE(link_->QueryTripPoint(1));
    EXPECT_FALSE(link_->QueryCurrent(1));
    EXPECT_FALSE(link_->AdjustTripPoint(1));
    EXPECT_FALSE(link_->QueryVoltage(1));
    EXPECT_FALSE(link_->StartDump(false));
    EXPECT_FALSE(link_->StopDump());
    EXPECT_FALSE(link_->SetSensorReporting(true, true));
    EXPECT_FALSE(link_->QueryStatus());
    EXPECT_TRUE(manager_.port.Writes().empty());
    EXPECT_EQ(link_->State(), ReplyState::VoltageValue);
}

struct CommandCase {
    const char* name;
    bool (*issue)(InstrumentLink&);
    const char* text;
    ReplyState state;
    bool groupA;
};

const CommandCase kCommands[] = {
    {"GoOnline", [](InstrumentLink& l) { return l.GoOnline(); }, "N", ReplyState::OnlineFirstLine,
     true},
    {"GoOffline", [](InstrumentLink& l) { return l.GoOffline(); }, "M",
     ReplyState::OfflineFirstLine, true},
    {"TrainSensor", [](InstrumentLink& l) { return l.TrainSensor(6); }, "6L",
     ReplyState::TrainAcknowledge, true},
    {"SetVoltage", [](InstrumentLink& l) { return l.SetVoltage(2.5, 3); }, "3FF3V",
     ReplyState::SetVoltageReply, false},
    {"SetTripPoint", [](InstrumentLink& l) { return l.SetTripPoint(5.0, 1); }, "3FFF1T",
     ReplyState::SetTripPointReply, false},
    {"SaveTrainingData", [](InstrumentLink& l) { return l.SaveTrainingData(10); }, "0AS",
     ReplyState::SaveTrainingReply, false},
    {"RestoreTrainingData", [](InstrumentLink& l) { return l.RestoreTrainingData(255); }, "FFR",
     ReplyState::RestoreTrainingReply, false},
    {"SetPowerLevel", [](InstrumentLink& l) { return l.SetPowerLevel("1A2B"); }, "1A2BP",
     ReplyState::SetPowerLevelReply, false},
    {"QueryTripPoint", [](InstrumentLink& l) { return l.QueryTripPoint(4); }, "4TQ",
     ReplyState::TripPointValue, true},
    {"QueryCurrent", [](InstrumentLink& l) { return l.QueryCurrent(5); }, "5CQ",
     ReplyState::CurrentValue, true},
    {"AdjustTripPoint", [](InstrumentLink& l) { return l.AdjustTripPoint(7); }, "7A",
     ReplyState::AdjustTripPointReply, true},
    {"QueryVoltage", [](InstrumentLink& l) { return l.QueryVoltage(0); }, "0VQ",
     ReplyState::VoltageValue, true},
    {"StartDumpLeft", [](InstrumentLink& l) { return l.StartDump(false); }, "LD",
     ReplyState::DumpLeft, false},
    {"StartDumpRight", [](InstrumentLink& l) { return l.StartDump(true); }, "RD",
     ReplyState::DumpRight, false},
    {"SetSensorReporting", [](InstrumentLink& l) { return l.SetSensorReporting(true, true); }, "RE",
     ReplyState::ReportingSent, false},
    {"QueryStatus", [](InstrumentLink& l) { return l.QueryStatus(); }, "SQ",
     ReplyState::StatusValue, true},
};

TEST_F(InstrumentLinkTest, EachCommandWritesItsTextThenACarriageReturn) {
    for (const auto& command : kCommands) {
        SCOPED_TRACE(command.name);
        manager_.port.ClearWrites();
        ASSERT_TRUE(command.issue(*link_));
        EXPECT_EQ(manager_.port.Writes(), (Writes{command.text, "\r"}));
        EXPECT_EQ(link_->State(), command.state);
        link_->Reset();
    }
}

TEST_F(InstrumentLinkTest, RefusedWritesSeparateGroupAFromGroupB) {
    // 0: the command text is refused; 1: the text is taken but the carriage return refused.
    for (const int accepted : {0, 1}) {
        for (const auto& command : kCommands) {
            SCOPED_TRACE(std::string(command.name) + " accepting " + std::to_string(accepted));
            manager_.port.ClearWrites();
            manager_.port.AcceptWrites(accepted);
            EXPECT_EQ(command.issue(*link_), command.groupA);
            EXPECT_EQ(link_->State(), ReplyState::Idle);
            EXPECT_EQ(manager_.port.Writes().size(), static_cast<std::size_t>(accepted));
        }
    }
    manager_.port.AcceptWrites(-1);
}

TEST(InstrumentLinkWithoutPort, GroupAIsAcceptedAndStaysIdleGroupBIsRefused) {
    FakePortManager manager;
    manager.failOpen = true;
    {
        InstrumentLink link("COM3", manager);
        EXPECT_FALSE(link.HasPort());
        for (const auto& command : kCommands) {
            SCOPED_TRACE(command.name);
            EXPECT_EQ(command.issue(link), command.groupA);
            EXPECT_EQ(link.State(), ReplyState::Idle);
        }
        EXPECT_FALSE(link.StopDump());
        EXPECT_TRUE(manager.port.Writes().empty());
    }
    EXPECT_TRUE(manager.closes.empty()) << "a port that never opened is not closed";
}

TEST_F(InstrumentLinkTest, ReportingReplyIsThrownAwayWithTheState) {
    ASSERT_TRUE(link_->SetSensorReporting(false, false));
    EXPECT_EQ(manager_.port.Writes(), (Writes{"LD", "\r"}));
    Feed("LEFT DISABLED\r\nextra\r\n");
    EXPECT_EQ(link_->ReadReply(), "");
    EXPECT_EQ(link_->State(), ReplyState::Idle);
    // Later calls in Idle only collect; the caller's Reset clears what they collected.
    EXPECT_EQ(link_->ReadReply(), "");
    link_->Reset();
    ASSERT_TRUE(link_->QueryCurrent(0));
    Feed("1000\r\n");
    EXPECT_EQ(link_->ReadReply(), "1000");
}

// Bytes unread when a command goes out are no answer to it: the command drops them and hands
// them to the late reply handler, and takes what comes after it.
TEST_F(InstrumentLinkTest, BytesBeforeACommandAreDroppedAndHandedOverNeverItsReply) {
    struct Case {
        const char* name;
        std::function<void()> before;
        std::string dropped;    // what the handler is told, empty for nothing
        std::string tail = "";  // after the command: the rest of a line that was arriving
    };
    const std::vector<Case> cases{
        {"a reply after the caller's time-out",
         [&] {
             ASSERT_TRUE(link_->QueryCurrent(0));
             link_->Reset();
             Feed("1000\r\n");
         },
         "1000\r\n"},
        {"a reply the time-out cut short",
         [&] {
             ASSERT_TRUE(link_->QueryCurrent(0));
             Feed("10");
             EXPECT_EQ(link_->ReadReply(), "");
             link_->Reset();
             Feed("00\r\n");
         },
         "1000\r\n"},
        {"the second line of a two-line reply after the time-out",
         [&] {
             ASSERT_TRUE(link_->GoOffline());
             Feed("Card\r\n");
             EXPECT_EQ(link_->ReadReply(), "");
             link_->Reset();
             Feed("Offline\r\n");
         },
         "Card Offline\r\n"},
        {"lines beyond a reply",
         [&] {
             ASSERT_TRUE(link_->QueryVoltage(0));
             Feed("7FF\r\nEXTRA 1\r\n");
             EXPECT_EQ(link_->ReadReply(), "7FF");
         },
         "EXTRA 1\r\n"},
        {"bytes while idle, their line ended after the command",
         [&] {
             Feed(
                 std::string("\xFF\x00"
                             "12",
                             4));
         },
         std::string("\xFF\x00"
                     "1234\r\n",
                     8),
         "34\r\n"},
        {"a reply still arriving as the command goes out",
         [&] {
             ASSERT_TRUE(link_->QueryStatus());
             Feed("0F 00 ");
             EXPECT_EQ(link_->ReadReply(), "");
             link_->Reset();
             Feed("00");
         },
         "0F 00 00 00 00\r\n", " 00 00\r\n"},
        {"a line feed still to come after a reply's carriage return",
         [&] {
             ASSERT_TRUE(link_->QueryCurrent(1));
             link_->Reset();
             Feed("1000\r");
         },
         "1000\r\n", "\n"},
        // The wait after a reporting command only drains: what it read is no late reply.
        {"lines a reporting command's wait drained",
         [&] {
             ASSERT_TRUE(link_->SetSensorReporting(true, false));
             Feed("LEFT REPORTS ON\r\nmore\r\n");
             EXPECT_EQ(link_->ReadReply(), "");
             EXPECT_EQ(link_->ReadReply(), "");
             link_->Reset();
         },
         ""},
    };
    std::vector<std::string> told;
    link_->SetLateReplyHandler([&](const std::string& dropped) { told.push_back(dropped); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        told.clear();
        c.before();
        ASSERT_TRUE(link_->QueryTripPoint(0));
        Feed(c.tail);
        EXPECT_EQ(link_->ReadReply(), "");
        EXPECT_TRUE(link_->IsPending());
        EXPECT_EQ(told, c.dropped.empty() ? Writes{} : Writes{c.dropped});
        Feed("7FF\r\n");
        EXPECT_EQ(link_->ReadReply(), "7FF");
        EXPECT_FALSE(link_->IsPending());
    }
}

// A reply line is under 100 bytes: a line of a megabyte without line feeds keeps its first
// 4 KiB, and the rest up to its line feed is dropped and counted.
TEST_F(InstrumentLinkTest, AnEndlessLineKeepsItsFirstFourKibibytesAndCountsTheRest) {
    constexpr std::size_t kKept = 4096;
    constexpr std::size_t kLine = 1 << 20;
    ASSERT_TRUE(link_->QueryStatus());
    const std::string piece(1024, 'A');
    for (std::size_t fed = 0; fed < kLine; fed += piece.size()) {
        Feed(piece);
        ASSERT_EQ(link_->ReadReply(), "");
    }
    Feed("\r\n");
    EXPECT_EQ(link_->ReadReply(), std::string(kKept, 'A'));
    EXPECT_EQ(link_->DroppedByteCount(), kLine - kKept);
    ASSERT_TRUE(link_->QueryStatus());
    Feed("12 34 56 78 9A\r\n");
    EXPECT_EQ(link_->ReadReply(), "12 34 56 78 9A");
}

TEST_F(InstrumentLinkTest, DiscardUnreadDropsExactlyTheUnexaminedBytes) {
    ASSERT_TRUE(link_->StartDump(false));
    Feed("AAAA\r\nBB");
    EXPECT_EQ(link_->ReadReply(), "AAAA");
    Feed("BB\r\nCCCC\r\n");
    link_->DiscardUnread();
    EXPECT_EQ(link_->ReadReply(), "");
    Feed("DDDD\r\n");
    EXPECT_EQ(link_->ReadReply(), "DDDD");
}

TEST(InstrumentLinkLifetime, DestroyingAnIdleLinkSendsGoOnlineAndReadsItsReply) {
    FakePortManager manager;
    auto link = std::make_unique<InstrumentLink>("COM2", manager);
    std::thread card([&] {
        if (manager.port.WaitForWrites(2, milliseconds(5000))) {
            manager.port.Deliver("ON");
            manager.port.Deliver("LINE\r\nREADY\r\n");
        }
    });
    link.reset();
    card.join();
    EXPECT_EQ(manager.port.Writes(), (Writes{"N", "\r"}));
    ASSERT_EQ(manager.closes.size(), 1u);
    EXPECT_EQ(manager.closes[0].name, "COM2");
    EXPECT_EQ(manager.port.Listener(), nullptr);
}

TEST(InstrumentLinkLifetime, DestroyingWaitsNoLongerThanASecondForASilentCard) {
    FakePortManager manager;
    auto link = std::make_unique<InstrumentLink>("COM2", manager);
    const std::uint32_t start = platform::TickCount();
    link.reset();
    const std::uint32_t elapsed = platform::TickCount() - start;
    EXPECT_GE(elapsed, 999u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(manager.port.Writes(), (Writes{"N", "\r"}));
    EXPECT_EQ(manager.closes.size(), 1u);
}

TEST(InstrumentLinkLifetime, DestroyingWhilePendingSendsNothing) {
    FakePortManager manager;
    auto link = std::make_unique<InstrumentLink>("COM4", manager);
    ASSERT_TRUE(link->QueryStatus());
    manager.port.ClearWrites();
    link.reset();
    EXPECT_TRUE(manager.port.Writes().empty());
    EXPECT_EQ(manager.closes.size(), 1u);
}

// Random reply lines (carriage returns and zero bytes included) cut into random chunks.
class RandomReplies {
  public:
    explicit RandomReplies(std::uint32_t seed) : random_(seed) {}

    std::vector<std::string> Lines(int count) {
        std::vector<std::string> lines;
        std::uniform_int_distribution<int> length(1, 60);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < count; ++i) {
            std::string line;
            const int n = length(random_);
            for (int j = 0; j < n; ++j) {
                char c = static_cast<char>(byte(random_));
                line.push_back(c == '\n' || c == '\r' ? 'x' : c);
            }
            lines.push_back(line);
        }
        return lines;
    }
    // The lines on the wire: carriage returns inserted at random places, each line ended.
    std::string Wire(const std::vector<std::string>& lines) {
        std::string wire;
        std::bernoulli_distribution carriageReturn(0.05);
        for (const auto& line : lines) {
            for (const char c : line) {
                if (carriageReturn(random_)) {
                    wire.push_back('\r');
                }
                wire.push_back(c);
            }
            wire += "\r\n";
        }
        return wire;
    }
    std::vector<std::string> Chunks(const std::string& wire) {
        std::vector<std::string> chunks;
        std::uniform_int_distribution<std::size_t> size(1, 5);
        for (std::size_t at = 0; at < wire.size();) {
            const std::size_t n = std::min(size(random_), wire.size() - at);
            chunks.push_back(wire.substr(at, n));
            at += n;
        }
        return chunks;
    }
    int Calls() { return std::uniform_int_distribution<int>(0, 3)(random_); }

  private:
    std::mt19937 random_;
};

// Index of the first line that differs (or is missing); the size when all agree.
std::size_t FirstDifference(const std::vector<std::string>& got,
                            const std::vector<std::string>& expected) {
    std::size_t i = 0;
    while (i < got.size() && i < expected.size() && got[i] == expected[i]) {
        ++i;
    }
    return got.size() == expected.size() && i == got.size() ? expected.size() : i;
}

std::uint32_t TestSeed() {
    static const std::uint32_t seed = std::random_device{}();
    return seed;
}

// Each line answers a command sent before its first byte: a command drops what came before it.
TEST_F(InstrumentLinkTest, RandomlyChunkedLinesComeOutWhole) {
    SCOPED_TRACE("seed " + std::to_string(TestSeed()));
    RandomReplies random(TestSeed());
    const auto lines = random.Lines(2000);
    std::vector<std::string> received;
    for (const std::string& line : lines) {
        ASSERT_TRUE(link_->QueryVoltage(0));
        for (const std::string& chunk : random.Chunks(random.Wire({line}))) {
            for (int calls = random.Calls(); calls > 0; --calls) {
                ASSERT_EQ(link_->ReadReply(), "")
                    << "before the line feed, after " << received.size();
            }
            Feed(chunk);
        }
        received.push_back(link_->ReadReply());
        ASSERT_FALSE(link_->IsPending()) << "a line got lost after " << received.size();
    }
    EXPECT_EQ(FirstDifference(received, lines), lines.size());
}

TEST_F(InstrumentLinkTest, LinesFedFromAnotherThreadComeOutWholeAndInOrder) {
    SCOPED_TRACE("seed " + std::to_string(TestSeed()));
    RandomReplies random(TestSeed() + 1);
    // More than the store holds, so that it wraps while the reader keeps up.
    const auto lines = random.Lines(4000);
    std::vector<std::vector<std::string>> chunksOfLine;
    std::size_t wireSize = 0;
    for (const std::string& line : lines) {
        chunksOfLine.push_back(random.Chunks(random.Wire({line})));
        for (const std::string& chunk : chunksOfLine.back()) {
            wireSize += chunk.size();
        }
    }
    ASSERT_GT(wireSize, 2 * kStoreCapacity);

    // The feeder sends each line once its command is out, as the card does.
    std::mutex progressLock;
    std::condition_variable progress;
    std::size_t commandsSent = 0;
    std::thread port([&] {
        for (std::size_t i = 0; i < chunksOfLine.size(); ++i) {
            {
                std::unique_lock guard(progressLock);
                progress.wait(guard, [&] { return commandsSent > i; });
            }
            for (const std::string& chunk : chunksOfLine[i]) {
                Feed(chunk);
            }
        }
    });
    std::vector<std::string> received;
    while (received.size() < lines.size()) {
        ASSERT_TRUE(link_->QueryVoltage(0));
        {
            const std::lock_guard guard(progressLock);
            commandsSent = received.size() + 1;
        }
        progress.notify_all();
        std::string reply;
        while (reply.empty() && link_->IsPending()) {
            reply = link_->ReadReply();
            if (reply.empty() && !link_->WaitForUnread(5000)) {
                break;
            }
        }
        if (reply.empty()) {
            break;
        }
        received.push_back(std::move(reply));
    }
    {
        const std::lock_guard guard(progressLock);
        commandsSent = lines.size();
    }
    progress.notify_all();
    port.join();
    EXPECT_EQ(FirstDifference(received, lines), lines.size());
    EXPECT_EQ(link_->DroppedByteCount(), 0u);
}

TEST_F(InstrumentLinkTest, DumpGoesOnPastTheStoreSize) {
    ASSERT_TRUE(link_->StartDump(true));
    const int samples = static_cast<int>(2 * kStoreCapacity / 21) + 100;
    char line[32];
    for (int i = 0; i < samples; ++i) {
        std::snprintf(line, sizeof line, "%04X %04X %04X %04X", i & 0xFFFF, (i * 7) & 0xFFFF,
                      (i * 13) & 0xFFFF, (i * 31) & 0xFFFF);
        Feed(std::string(line) + "\r\n");
        ASSERT_EQ(link_->ReadReply(), line) << "sample " << i;
    }
    EXPECT_EQ(link_->DroppedByteCount(), 0u);
}

TEST_F(InstrumentLinkTest, StoreAtCapacityDropsNewBytesAndKeepsLaterLinesWhole) {
    ASSERT_TRUE(link_->StartDump(false));
    const std::string sample = "0123 4567 89AB CDEF\r\n";
    const std::size_t fitting = kStoreCapacity / sample.size();
    const std::size_t extra = 10;
    for (std::size_t i = 0; i < fitting + extra; ++i) {
        Feed(sample);
    }
    const std::size_t stored = kStoreCapacity;
    EXPECT_EQ(link_->DroppedByteCount(), (fitting + extra) * sample.size() - stored);
    for (std::size_t i = 0; i < fitting; ++i) {
        ASSERT_EQ(link_->ReadReply(), "0123 4567 89AB CDEF") << "line " << i;
    }
    // What was stored of the line cut by the overflow comes out as a half line.
    const std::string head = sample.substr(0, stored - fitting * sample.size());
    EXPECT_EQ(link_->ReadReply(), head.substr(0, head.find('\r')));
    Feed("FFFF");
    Feed(" 0000 FFFF 0000\r\n1111 2222 3333 4444\r\n");
    EXPECT_EQ(link_->ReadReply(), "") << "the line feed stored in place of the lost part";
    EXPECT_EQ(link_->ReadReply(), "FFFF 0000 FFFF 0000") << "arrived with room free";
    EXPECT_EQ(link_->ReadReply(), "1111 2222 3333 4444");
}

TEST_F(InstrumentLinkTest, AfterAnOverflowTheNextReplyComesOutWhole) {
    ASSERT_TRUE(link_->StartDump(false));
    // Lines of 21 bytes: the store fills in the middle of one, and is still dropping
    // towards a line feed when the dump falls silent.
    const std::string sample = "0123 4567 89AB CDEF\r\n";
    for (std::size_t i = 0; i < kStoreCapacity / sample.size() + 10; ++i) {
        Feed(sample);
    }
    Feed("0123 45");
    ASSERT_GT(link_->DroppedByteCount(), 0u);
    // The end of a dump, as the window does it.
    link_->Reset();
    link_->DiscardUnread();

    ASSERT_TRUE(link_->QueryVoltage(3));
    Feed("0800\r\n");
    EXPECT_EQ(ReadUntilText(), "0800");
    EXPECT_FALSE(link_->IsPending());
}

}  // namespace
