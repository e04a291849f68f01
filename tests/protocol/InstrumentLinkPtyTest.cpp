// The link over the real serial port of the port manager, against the simulated card on a
// pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/Tick.h"
#include "ports/PortListener.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"
#include "protocol/ReplyDecoding.h"
#include "tools/cardsim/CardModel.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

using std::chrono::milliseconds;
using Condition = SensorStatus::Condition;

constexpr milliseconds kGenerous{5000};

// The window's timed wait: polls ReadReply until it returns text or the time has passed,
// then resets the link and returns empty text.
std::string WaitForReply(InstrumentLink& link, std::uint32_t timeoutMs) {
    const std::uint32_t start = platform::TickCount();
    for (;;) {
        std::string reply = link.ReadReply();
        if (!reply.empty()) {
            return reply;
        }
        const std::uint32_t elapsed = platform::TickCount() - start;
        if (elapsed >= timeoutMs) {
            break;
        }
        link.WaitForUnread(timeoutMs - elapsed);
    }
    link.Reset();
    return {};
}

class InstrumentLinkPtyTest : public ::testing::Test {
  protected:
    void Start(cardsim::CardOptions options = {}) {
        options.noiseAmplitude = 0;
        card_ = std::make_unique<cardsim::CardSimulator>(options);
        setenv("MERROWBY_COM1", card_->SlavePath().c_str(), 1);
        link_ = std::make_unique<InstrumentLink>("COM1");
        ASSERT_TRUE(link_->HasPort());
    }
    void TearDown() override {
        if (link_) {
            link_->SetLateReplyHandler({});  // a test's own
        }
        link_.reset();
        GetPortManager()->CloseAll();
        card_.reset();
        unsetenv("MERROWBY_COM1");
    }
    std::string Ask(bool accepted) {
        EXPECT_TRUE(accepted);
        return WaitForReply(*link_, 1000);
    }

    std::unique_ptr<cardsim::CardSimulator> card_;
    std::unique_ptr<InstrumentLink> link_;
};

std::string Line(const char* format, int sensor) {
    return cardsim::FormatReply(format, sensor);
}

TEST_F(InstrumentLinkPtyTest, OfflineAndOnlineRepliesJoinTheirTwoLines) {
    Start();
    const std::string identity = cardsim::replies::kIdentity;
    EXPECT_EQ(Ask(link_->GoOffline()), identity + " " + cardsim::replies::kOffline);
    EXPECT_FALSE(card_->Online());
    EXPECT_EQ(Ask(link_->GoOnline()), identity + " " + cardsim::replies::kOnline);
    EXPECT_TRUE(card_->Online());
    EXPECT_EQ(card_->Received(), "M\rN\r");
}

TEST_F(InstrumentLinkPtyTest, QueriesReadTheCardsValues) {
    Start();
    for (SensorIndex sensor = 0; sensor < kSensorCount; ++sensor) {
        SCOPED_TRACE(sensor);
        const cardsim::SensorState state = card_->Sensor(sensor);
        const std::string voltage = Ask(link_->QueryVoltage(sensor));
        EXPECT_EQ(protocol::HexReplyValue(voltage), state.voltageCode);
        EXPECT_DOUBLE_EQ(protocol::VoltsFromReply(voltage), state.voltageCode * 0.002442);
        const std::string current = Ask(link_->QueryCurrent(sensor));
        EXPECT_EQ(protocol::HexReplyValue(current), state.currentLevel);
        const std::string trip = Ask(link_->QueryTripPoint(sensor));
        EXPECT_EQ(protocol::IsNotTrained(trip), !state.trained);
        if (state.trained) {
            EXPECT_EQ(protocol::HexReplyValue(trip), state.tripCode);
        }
    }
}

TEST_F(InstrumentLinkPtyTest, StatusReplyGivesEverySensorsConditions) {
    Start();
    auto shorted = card_->Sensor(2);
    shorted.shorted = true;
    card_->SetSensor(2, shorted);
    auto covered = card_->Sensor(5);
    covered.covered = true;
    covered.enabled = false;
    card_->SetSensor(5, covered);

    const auto status = protocol::DecodeStatusReply(Ask(link_->QueryStatus()));
    ASSERT_TRUE(status.has_value());
    for (SensorIndex sensor = 0; sensor < kSensorCount; ++sensor) {
        const cardsim::SensorState s = card_->Sensor(sensor);
        EXPECT_EQ(status->Holds(Condition::Enabled, sensor), s.enabled) << sensor;
        EXPECT_EQ(status->Holds(Condition::Trained, sensor), s.trained) << sensor;
        EXPECT_EQ(status->Holds(Condition::Shorted, sensor), s.shorted) << sensor;
        EXPECT_EQ(status->Holds(Condition::Opened, sensor), s.opened) << sensor;
        EXPECT_EQ(status->Holds(Condition::Covered, sensor), s.covered) << sensor;
    }
}

TEST_F(InstrumentLinkPtyTest, SettingsReachTheCardEncoded) {
    Start();
    EXPECT_FALSE(Ask(link_->SetVoltage(2.50, 3)).empty());
    EXPECT_EQ(card_->Sensor(3).voltageCode, static_cast<int>(2.50 * 409.5));
    EXPECT_FALSE(Ask(link_->SetTripPoint(5.00, 1)).empty());
    EXPECT_EQ(card_->Sensor(1).tripCode, static_cast<int>(5.00 * 3276.7));
    EXPECT_FALSE(Ask(link_->SetPowerLevel("0A1F")).empty());
    EXPECT_EQ(card_->PowerLevel(), "0A1F");
    EXPECT_FALSE(Ask(link_->SaveTrainingData(10)).empty());
    EXPECT_TRUE(card_->Bin(10).has_value());
    EXPECT_FALSE(Ask(link_->RestoreTrainingData(10)).empty());
    EXPECT_EQ(card_->Received(), "3FF3V\r3FFF1T\r0A1FP\r0AS\r0AR\r");
}

TEST_F(InstrumentLinkPtyTest, TrainingReplyComesInThreeStages) {
    cardsim::CardOptions options;
    options.trainingDuration = milliseconds(50);
    Start(options);
    ASSERT_TRUE(link_->TrainSensor(2));
    EXPECT_EQ(WaitForReply(*link_, 1000), Line(cardsim::replies::kTraining, 2));
    EXPECT_EQ(link_->State(), ReplyState::TrainStart);
    EXPECT_EQ(WaitForReply(*link_, 1000), cardsim::replies::kTrainingBegun);
    EXPECT_EQ(link_->State(), ReplyState::TrainResult);
    const std::string result = WaitForReply(*link_, 2000);
    EXPECT_EQ(result.rfind(Line("SENSOR %d TRAINED", 2), 0), 0u) << result;
    EXPECT_FALSE(link_->IsPending());
}

TEST_F(InstrumentLinkPtyTest, DumpStreamsSamplesUntilTheSingleByteStop) {
    cardsim::CardOptions options;
    options.dumpInterval = milliseconds(20);
    Start(options);
    ASSERT_TRUE(link_->StartDump(true));
    // Once five whole samples have been sent, each call returns one of them.
    ASSERT_TRUE(card_->WaitForSent(
        [](const std::string& sent) { return std::count(sent.begin(), sent.end(), '\n') >= 5; },
        kGenerous));
    ASSERT_TRUE(card_->WaitForCommandCount(1, kGenerous));
    for (int sample = 0; sample < 5; ++sample) {
        std::string line;
        const std::uint32_t start = platform::TickCount();
        while (line.size() < 19 && platform::TickCount() - start < 5000) {
            line += link_->ReadReply();
        }
        EXPECT_EQ(line.size(), 19u) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), ' '), 3) << line;
        EXPECT_EQ(link_->State(), ReplyState::DumpRight);
    }
    ASSERT_TRUE(link_->StopDump());
    ASSERT_TRUE(card_->WaitForReceived(
        [](const std::string& r) { return !r.empty() && r.back() == 'M'; }, kGenerous));
    EXPECT_EQ(card_->Received(), "RD\rM");
    EXPECT_TRUE(card_->DumpRightTube());
    link_->ReadReply();
    EXPECT_FALSE(link_->IsPending());
    link_->DiscardUnread();
}

TEST_F(InstrumentLinkPtyTest, RepliesInOneByteChunksWithCarriageReturnsAreWhole) {
    cardsim::CardOptions options;
    options.chunkSize = 1;
    options.chunkGap = milliseconds(1);
    options.garbageBefore = "\r";
    Start(options);
    const std::string reply = Ask(link_->QueryVoltage(4));
    EXPECT_EQ(protocol::HexReplyValue(reply), card_->Sensor(4).voltageCode) << reply;
}

// Listens on a port after the link: once it has seen a line feed, so has the link.
class LineFeedWatch : public PortListener {
  public:
    explicit LineFeedWatch(std::string portName) : portName_(std::move(portName)) {
        attached_ = GetPortManager()->Open(portName_, this) != nullptr;
    }
    ~LineFeedWatch() { GetPortManager()->Close(portName_, this); }
    LineFeedWatch(const LineFeedWatch&) = delete;
    LineFeedWatch& operator=(const LineFeedWatch&) = delete;

    bool IsAttached() const { return attached_; }
    void OnReceive(const std::string& chunk) override {
        const std::lock_guard guard(lock_);
        lineFeeds_ += static_cast<std::size_t>(std::count(chunk.begin(), chunk.end(), '\n'));
        arrived_.notify_all();
    }
    bool WaitForLineFeeds(std::size_t count) {
        std::unique_lock guard(lock_);
        return arrived_.wait_for(guard, kGenerous, [&] { return lineFeeds_ >= count; });
    }

  private:
    const std::string portName_;
    bool attached_ = false;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::size_t lineFeeds_ = 0;
};

// The card answers 300 ms after each command; the caller waits 50 ms. The late voltage is no
// answer to the current query sent after it arrived: dropped, handed over, never its reply.
TEST_F(InstrumentLinkPtyTest, ALateReplyIsDroppedAndTheNextCommandGetsItsOwn) {
    cardsim::CardOptions options;
    options.replyDelay = milliseconds(300);
    Start(options);
    LineFeedWatch watch("COM1");
    ASSERT_TRUE(watch.IsAttached());
    std::vector<std::string> told;
    link_->SetLateReplyHandler([&](const std::string& dropped) { told.push_back(dropped); });

    ASSERT_TRUE(link_->QueryVoltage(1));
    EXPECT_EQ(WaitForReply(*link_, 50), "");
    ASSERT_TRUE(watch.WaitForLineFeeds(1));
    const std::string late = card_->Sent();
    ASSERT_EQ(protocol::HexReplyValue(late), card_->Sensor(1).voltageCode) << late;

    const std::string reply = Ask(link_->QueryCurrent(1));
    EXPECT_EQ(protocol::HexReplyValue(reply), card_->Sensor(1).currentLevel) << reply;
    EXPECT_EQ(told, std::vector<std::string>{late});
}

TEST_F(InstrumentLinkPtyTest, DestroyingTheLinkLeavesTheCardOnline) {
    Start();
    EXPECT_FALSE(Ask(link_->GoOffline()).empty());
    ASSERT_FALSE(card_->Online());
    link_.reset();
    EXPECT_TRUE(card_->Online());
    const std::string received = card_->Received();
    EXPECT_EQ(received.substr(received.size() - 2), "N\r");
}

TEST_F(InstrumentLinkPtyTest, SilentCardGetsNoResponse) {
    cardsim::CardOptions options;
    options.silent = true;
    Start(options);
    EXPECT_EQ(Ask(link_->QueryStatus()), "");
    EXPECT_FALSE(link_->IsPending());
    ASSERT_TRUE(card_->WaitForReceivedContaining("SQ\r", kGenerous));
}

}  // namespace
