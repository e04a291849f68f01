// Each misbehaviour of the simulated card does what it says.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "LineClient.h"
#include "tools/cardsim/CardSimulator.h"

using namespace std::chrono_literals;
using cardsim::CardOptions;
using cardsim::CardSimulator;

namespace {

// Long enough that a card which would answer has answered.
constexpr auto kQuietSpell = 300ms;

CardOptions QuickCard() {
    CardOptions options;
    options.trainingDuration = 100ms;
    options.dumpInterval = 30ms;
    options.noiseAmplitude = 0;
    return options;
}

std::string VoltageDigits(const CardSimulator& card, int sensor) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03X", card.Sensor(sensor).voltageCode);
    return digits;
}

}  // namespace

TEST(CardMisbehaviour, SilentCardHearsAndAnswersNothing) {
    CardOptions options = QuickCard();
    options.silent = true;
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    line.Write("M\r0VQ\r");
    EXPECT_EQ(line.ReadFor(kQuietSpell), "");
    EXPECT_TRUE(card.Online());
    EXPECT_EQ(card.Commands().size(), 2u);  // still recorded

    card.SetSilent(false);
    line.Write("0VQ\r");
    EXPECT_EQ(line.ReadLine(), VoltageDigits(card, 0));
}

TEST(CardMisbehaviour, OnlineOnlyAnswersNButNotM) {
    CardOptions options = QuickCard();
    options.answerOnlineOnly = true;
    options.startOnline = false;
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    line.Write("N\r");
    EXPECT_EQ(line.ReadLines(2).size(), 2u);
    EXPECT_TRUE(card.Online());
    line.Write("M\r");
    EXPECT_EQ(line.ReadFor(kQuietSpell), "");
    EXPECT_TRUE(card.Online());
}

TEST(CardMisbehaviour, FallsSilentAfterTheGivenNumberOfCommands) {
    CardOptions options = QuickCard();
    options.silentAfterCommands = 2;
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    line.Write("0VQ\r");
    EXPECT_TRUE(line.ReadLine().has_value());
    line.Write("1VQ\r");
    EXPECT_TRUE(line.ReadLine().has_value());
    line.Write("2VQ\r");
    EXPECT_EQ(line.ReadFor(kQuietSpell), "");

    card.SetSilentAfterCommands(1);  // counts afresh
    line.Write("3VQ\r");
    EXPECT_EQ(line.ReadLine(), VoltageDigits(card, 3));
    line.Write("4VQ\r");
    EXPECT_EQ(line.ReadFor(kQuietSpell), "");
}

TEST(CardMisbehaviour, DelaysEachReply) {
    CardOptions options = QuickCard();
    options.replyDelay = 250ms;
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    for (int i = 0; i < 2; ++i) {
        const auto start = std::chrono::steady_clock::now();
        line.Write("0VQ\r");
        ASSERT_TRUE(line.ReadLine().has_value());
        EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms);
    }
}

TEST(CardMisbehaviour, DelaysOnlyTheReplyToTheCommandNamed) {
    CardOptions options = QuickCard();
    options.commandDelays["SQ"] = 400ms;
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    line.Write("SQ\r");
    EXPECT_EQ(line.ReadFor(250ms), "");
    line.Write("0VQ\r");  // answered in its turn, after the slow reply
    const auto replies = line.ReadLines(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].size(), 14u);  // five status bytes
    EXPECT_EQ(replies[1], VoltageDigits(card, 0));
    const auto start = std::chrono::steady_clock::now();
    line.Write("1VQ\r");
    ASSERT_TRUE(line.ReadLine().has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 400ms);
}

TEST(CardMisbehaviour, CutsRepliesIntoChunksWithGaps) {
    std::mutex mutex;
    std::condition_variable traced;
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::string>> writes;
    CardOptions options = QuickCard();
    options.chunkSize = 3;
    options.chunkGap = 40ms;
    CardSimulator card(options, [&](const cardsim::TraceEvent& event) {
        if (event.fromCard) {
            std::lock_guard lock(mutex);
            writes.emplace_back(event.time, event.text);
            traced.notify_all();
        }
    });
    LineClient line(card.SlavePath());
    line.Write("N\r");
    const auto lines = line.ReadLines(2);
    ASSERT_EQ(lines.size(), 2u);

    // The trace of the last piece may come just after the piece itself.
    const std::size_t expectedBytes = lines[0].size() + lines[1].size() + 4;
    std::unique_lock lock(mutex);
    ASSERT_TRUE(traced.wait_for(lock, 3s, [&] {
        std::size_t bytes = 0;
        for (const auto& write : writes) {
            bytes += write.second.size();
        }
        return bytes >= expectedBytes;
    }));
    std::string joined;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_LE(writes[i].second.size(), 3u);
        if (i > 0) {
            EXPECT_GE(writes[i].first - writes[i - 1].first, 40ms);
        }
        joined += writes[i].second;
    }
    EXPECT_EQ(joined, lines[0] + "\r\n" + lines[1] + "\r\n");
    EXPECT_EQ(writes.size(), (joined.size() + 2) / 3);
}

TEST(CardMisbehaviour, LowerCaseHexadecimal) {
    CardOptions options = QuickCard();
    options.lowerCaseHex = true;
    options.sensors[2].voltageCode = 0xABC;
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    line.Write("2VQ\r");
    EXPECT_EQ(line.ReadLine(), "abc");
    line.Write("SQ\r");
    const auto status = line.ReadLine();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->substr(0, 2), "ff");  // every sensor enabled by default
}

TEST(CardMisbehaviour, GarbageAndNulBytesAroundLines) {
    CardOptions options = QuickCard();
    options.garbageBefore = std::string("\0\x01", 2);
    options.garbageAfter = std::string("\xFE\0", 2);
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    line.Write("5VQ\r");
    EXPECT_EQ(line.ReadLine(),
              options.garbageBefore + VoltageDigits(card, 5) + options.garbageAfter);
}

TEST(CardMisbehaviour, LastLineOfAReplyNeverEnds) {
    CardOptions options = QuickCard();
    options.neverEndLine = true;
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    line.Write("N\r");
    EXPECT_TRUE(line.ReadLine().has_value());  // the first of two lines ends
    EXPECT_EQ(line.ReadLine(kQuietSpell), std::nullopt);
    EXPECT_EQ(line.Buffer(), "ONLINE");
}

TEST(CardMisbehaviour, ExtraLinesFollowEachReply) {
    CardOptions options = QuickCard();
    options.extraLines = 2;
    CardSimulator card(options);
    LineClient line(card.SlavePath());
    line.Write("0VQ\r");
    const auto lines = line.ReadLines(3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], VoltageDigits(card, 0));
    EXPECT_EQ(lines[1], "EXTRA 1");
    EXPECT_EQ(lines[2], "EXTRA 2");
}

TEST(CardMisbehaviour, FloodSendsManySamplesPerInterval) {
    std::mutex mutex;
    std::vector<std::chrono::steady_clock::time_point> writeTimes;
    CardOptions options = QuickCard();
    options.dumpInterval = 100ms;
    options.samplesPerInterval = 25;
    CardSimulator card(options, [&](const cardsim::TraceEvent& event) {
        if (event.fromCard) {
            std::lock_guard lock(mutex);
            writeTimes.push_back(event.time);
        }
    });
    LineClient line(card.SlavePath());
    line.Write("LD\r");
    const auto samples = line.ReadLines(50);
    EXPECT_EQ(samples.size(), 50u);
    line.Write("M");
    ASSERT_TRUE(card.WaitForCommandCount(2, 3s));
    EXPECT_FALSE(card.DumpRunning());

    // Samples go out in batches of 25 written together, one batch per interval.
    std::lock_guard lock(mutex);
    ASSERT_GE(writeTimes.size(), 50u);
    EXPECT_EQ(std::count(writeTimes.begin(), writeTimes.end(), writeTimes[0]), 25);
    EXPECT_EQ(std::count(writeTimes.begin(), writeTimes.end(), writeTimes[25]), 25);
}

TEST(CardMisbehaviour, RuntimeSettersTakeEffect) {
    CardSimulator card(QuickCard());
    LineClient line(card.SlavePath());
    cardsim::SensorState sensor = card.Sensor(0);
    sensor.currentLevel = 0xBEEF;
    card.SetSensor(0, sensor);
    card.SetLineEnding("\n");
    card.SetExtraLines(1);
    card.SetLowerCaseHex(true);
    line.Write("0CQ\r");
    ASSERT_TRUE(line.ReadUntil(
        [](const std::string& b) { return std::count(b.begin(), b.end(), '\n') == 2; }, 3s));
    char expected[16];
    std::snprintf(expected, sizeof expected, "%04x\nEXTRA 1\n", card.Sensor(0).currentLevel);
    EXPECT_EQ(line.Buffer(), expected);
}
