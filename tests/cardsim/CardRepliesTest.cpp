// Reply layouts of the simulated card, seen through its pseudo-terminal.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "LineClient.h"
#include "tools/cardsim/CardSimulator.h"

using namespace std::chrono_literals;
using cardsim::CardOptions;
using cardsim::CardSimulator;
using cardsim::SensorState;

namespace {

bool IsUpperHex(const std::string& text, std::size_t digits) {
    return text.size() == digits && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
           });
}

long HexValue(const std::string& text) {
    long value = 0;
    for (const char c : text) {
        value = value * 16 + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return value;
}

CardOptions QuickCard() {
    CardOptions options;
    options.trainingDuration = 150ms;
    options.dumpInterval = 20ms;
    return options;
}

struct Bench {
    explicit Bench(CardOptions options = QuickCard())
        : card(std::move(options)), line(card.SlavePath()) {}

    std::string Ask(const std::string& command) {
        line.Write(command + "\r");
        return line.ReadLine().value_or("<no reply>");
    }

    CardSimulator card;
    LineClient line;
};

}  // namespace

TEST(CardReplies, OnlineAndOfflineAnswerTwoLinesAndSwitchTheCard) {
    Bench bench;
    ASSERT_TRUE(bench.card.Online());
    bench.line.Write("M\r");
    const auto offline = bench.line.ReadLines(2);
    ASSERT_EQ(offline.size(), 2u);
    EXPECT_FALSE(offline[0].empty());
    EXPECT_EQ(offline[1], "OFFLINE");
    EXPECT_FALSE(bench.card.Online());

    bench.line.Write("N\r");
    const auto online = bench.line.ReadLines(2);
    ASSERT_EQ(online.size(), 2u);
    EXPECT_EQ(online[1], "ONLINE");
    EXPECT_TRUE(bench.card.Online());
}

TEST(CardReplies, QueriesAnswerWithTheSensorsCodes) {
    CardOptions options = QuickCard();
    options.noiseAmplitude = 5;
    options.sensors[4].trained = false;
    Bench bench(options);
    for (int sensor = 0; sensor < cardsim::kSensorCount; ++sensor) {
        const SensorState state = bench.card.Sensor(sensor);
        const std::string n = std::to_string(sensor);

        const std::string voltage = bench.Ask(n + "VQ");
        ASSERT_TRUE(IsUpperHex(voltage, 3)) << voltage;
        EXPECT_EQ(HexValue(voltage), state.voltageCode);

        const std::string current = bench.Ask(n + "CQ");
        ASSERT_TRUE(IsUpperHex(current, 4)) << current;
        EXPECT_LE(std::labs(HexValue(current) - state.currentLevel), 5) << current;

        const std::string trip = bench.Ask(n + "TQ");
        if (state.trained) {
            ASSERT_TRUE(IsUpperHex(trip, 4)) << trip;
            EXPECT_EQ(HexValue(trip), state.tripCode);
        } else {
            EXPECT_NE(trip.find("NOT TRAINED"), std::string::npos) << trip;
        }
    }
}

TEST(CardReplies, StatusBytesFollowTheDigitAndBitRules) {
    Bench bench;
    // A different pattern per condition, so a swapped byte or bit order shows.
    const std::array<unsigned, 5> patterns{0x80, 0x5A, 0x01, 0x24, 0xC3};
    for (int sensor = 0; sensor < cardsim::kSensorCount; ++sensor) {
        SensorState state = bench.card.Sensor(sensor);
        state.enabled = (patterns[0] >> sensor) & 1;
        state.trained = (patterns[1] >> sensor) & 1;
        state.shorted = (patterns[2] >> sensor) & 1;
        state.opened = (patterns[3] >> sensor) & 1;
        state.covered = (patterns[4] >> sensor) & 1;
        bench.card.SetSensor(sensor, state);
    }
    const std::string reply = bench.Ask("SQ");
    ASSERT_EQ(reply.size(), 14u) << reply;
    for (int byte = 0; byte < 5; ++byte) {
        const std::string digits = reply.substr(3 * byte, 2);
        ASSERT_TRUE(IsUpperHex(digits, 2)) << reply;
        EXPECT_EQ(static_cast<unsigned>(HexValue(digits)), patterns[byte]) << "byte " << byte;
        if (byte < 4) {
            EXPECT_EQ(reply[3 * byte + 2], ' ');
        }
    }
}

TEST(CardReplies, SettingCommandsChangeTheCardAndAnswerOneLine) {
    Bench bench;
    bench.line.Write("FFF7V");
    bench.line.Write("\r");
    EXPECT_FALSE(bench.line.ReadLine().value_or("").empty());
    EXPECT_EQ(bench.card.Sensor(7).voltageCode, 0xFFF);
    EXPECT_EQ(bench.Ask("7VQ"), "FFF");

    EXPECT_FALSE(bench.Ask("7FFF0T").empty());
    EXPECT_EQ(bench.card.Sensor(0).tripCode, 0x7FFF);
    EXPECT_FALSE(bench.Ask("00201T").empty());
    EXPECT_EQ(bench.card.Sensor(1).tripCode, 0x0020);

    EXPECT_FALSE(bench.Ask("12ABP").empty());
    EXPECT_EQ(bench.card.PowerLevel(), "12AB");

    // Save the training levels, change one, restore them.
    const std::uint16_t savedTrip = bench.card.Sensor(2).tripCode;
    EXPECT_FALSE(bench.Ask("0AS").empty());
    ASSERT_TRUE(bench.card.Bin(10).has_value());
    EXPECT_EQ((*bench.card.Bin(10))[2].tripCode, savedTrip);
    bench.Ask("12342T");
    EXPECT_NE(bench.Ask("0AR").find("RESTORED"), std::string::npos);
    EXPECT_EQ(bench.card.Sensor(2).tripCode, savedTrip);
    EXPECT_NE(bench.Ask("FFR").find("EMPTY"), std::string::npos);
    EXPECT_FALSE(bench.card.Bin(255).has_value());

    bench.line.Write("RE\r");
    EXPECT_TRUE(bench.line.ReadLine().has_value());
    EXPECT_TRUE(bench.card.Reporting(true));
    EXPECT_FALSE(bench.card.Reporting(false));

    EXPECT_EQ(bench.card.Received(),
              "FFF7V\r7VQ\r7FFF0T\r00201T\r12ABP\r0AS\r12342T\r0AR\rFFR\rRE\r");
    const std::vector<std::string> expected{"FFF7V", "7VQ",    "7FFF0T", "00201T", "12ABP",
                                            "0AS",   "12342T", "0AR",    "FFR",    "RE"};
    EXPECT_EQ(bench.card.Commands(), expected);
    bench.card.ClearRecord();
    EXPECT_TRUE(bench.card.Received().empty());
    EXPECT_TRUE(bench.card.Commands().empty());
}

TEST(CardReplies, TrainingAnswersAtOnceThenOkThenTheFinalLine) {
    Bench bench;
    ASSERT_FALSE(bench.card.Sensor(7).trained);
    bench.line.Write("7L\r");
    const auto first = bench.line.ReadLines(2);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_FALSE(first[0].empty());
    EXPECT_EQ(first[1], "OK");
    EXPECT_EQ(bench.card.TrainingSensor(), 7);

    const auto final = bench.line.ReadLine();
    ASSERT_TRUE(final.has_value());
    EXPECT_FALSE(final->empty());
    EXPECT_FALSE(bench.card.TrainingSensor().has_value());
    const SensorState trained = bench.card.Sensor(7);
    EXPECT_TRUE(trained.trained);
    EXPECT_EQ(HexValue(bench.Ask("7TQ")), trained.tripCode);

    // A sensor that cannot be trained: the second line is not "OK" and nothing follows.
    SensorState faulty = bench.card.Sensor(1);
    faulty.shorted = true;
    bench.card.SetSensor(1, faulty);
    bench.line.Write("1L\r");
    const auto refused = bench.line.ReadLines(2);
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_NE(refused[1], "OK");
    EXPECT_EQ(bench.line.ReadFor(300ms), "");
}

TEST(CardReplies, DumpSendsSampleLinesUntilTheLoneM) {
    Bench bench;
    bench.line.Write("LE\r");
    ASSERT_TRUE(bench.line.ReadLine().has_value());
    bench.line.Write("RD\r");
    for (int i = 0; i < 5; ++i) {
        const auto sample = bench.line.ReadLine();
        ASSERT_TRUE(sample.has_value());
        ASSERT_EQ(sample->size(), 19u) << *sample;
        for (int field = 0; field < 4; ++field) {
            const std::string digits = sample->substr(5 * field, 4);
            ASSERT_TRUE(IsUpperHex(digits, 4)) << *sample;
            if (field < 3) {
                EXPECT_EQ((*sample)[5 * field + 4], ' ');
            }
            const long level = bench.card.Sensor(4 + field).currentLevel;
            EXPECT_LE(std::labs(HexValue(digits) - level), QuickCard().noiseAmplitude);
        }
    }
    EXPECT_TRUE(bench.card.DumpRunning());
    EXPECT_TRUE(bench.card.DumpRightTube());

    bench.line.Write("M");
    ASSERT_TRUE(bench.card.WaitForCommandCount(3, 3s));
    EXPECT_FALSE(bench.card.DumpRunning());
    EXPECT_TRUE(bench.card.Online());  // the stop is not the offline command
    EXPECT_EQ(bench.card.Commands().back(), "M");
    bench.line.ReadFor(50ms);  // a sample may have been on its way
    EXPECT_EQ(bench.line.ReadFor(200ms), "");

    // "LD" is also the left tube's reporting-off command.
    bench.line.Write("LE\r");
    ASSERT_TRUE(bench.line.ReadLine().has_value());
    bench.line.Write("LD\r");
    ASSERT_TRUE(bench.line.ReadLine().has_value());
    EXPECT_FALSE(bench.card.Reporting(false));
    EXPECT_FALSE(bench.card.DumpRightTube());
    bench.line.Write("M");
}

TEST(CardReplies, BadCommandsGetAnErrorLineAndChangeNothing) {
    Bench bench;
    const CardOptions before = bench.card.Options();
    const std::string nul("0\0VQ", 4);
    for (const std::string& command :
         {std::string("XYZ"), std::string("8VQ"), std::string("12VQ"), std::string("FF7V"),
          std::string("10000V"), std::string("fff7V"), std::string("FFF9V"), std::string("80000T"),
          std::string("0as"), std::string("ABCS"), std::string("123P"), std::string("12ABCP"),
          std::string("9L"), std::string("LX"), std::string("Q"), nul, std::string(200, 'A')}) {
        const std::string reply = bench.Ask(command);
        EXPECT_EQ(reply.rfind("ERROR", 0), 0u) << command << " -> " << reply;
    }
    const CardOptions after = bench.card.Options();
    EXPECT_EQ(after.sensors, before.sensors);
    EXPECT_EQ(after.powerLevel, before.powerLevel);
    EXPECT_FALSE(bench.card.DumpRunning());
    EXPECT_FALSE(bench.card.TrainingSensor().has_value());
    // A bare carriage return and line feeds are not commands.
    bench.line.Write("\r\n\r");
    EXPECT_EQ(bench.line.ReadFor(150ms), "");
    EXPECT_EQ(bench.Ask("0VQ").size(), 3u);
}

TEST(CardReplies, SameOptionsGiveTheSameReadings) {
    const auto readings = [](std::uint32_t seed) {
        CardOptions options = QuickCard();
        options.noiseSeed = seed;
        Bench bench(options);
        std::string all;
        for (int i = 0; i < 6; ++i) {
            all += bench.Ask(std::to_string(i) + "CQ") + ";";
        }
        bench.line.Write("LD\r");
        for (const auto& sample : bench.line.ReadLines(4)) {
            all += sample + ";";
        }
        bench.line.Write("M");
        return all;
    };
    const std::string first = readings(7);
    EXPECT_EQ(first, readings(7));
    EXPECT_NE(first, readings(8));
}

TEST(CardReplies, SurvivesTheOtherSideClosingAndReopening) {
    CardSimulator card(QuickCard());
    for (int round = 0; round < 3; ++round) {
        LineClient line(card.SlavePath());
        line.Write("0VQ\r");
        const auto reply = line.ReadLine();
        ASSERT_TRUE(reply.has_value()) << "round " << round;
        EXPECT_EQ(HexValue(*reply), card.Sensor(0).voltageCode);
    }
}

TEST(CardReplies, LineFeedEndingInjectionAndLink) {
    CardOptions options = QuickCard();
    options.lineEnding = "\n";
    options.linkPath = testing::TempDir() + "cardsim-link-" + std::to_string(getpid());
    {
        Bench bench(options);
        char target[256] = {};
        ASSERT_GT(readlink(options.linkPath.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), bench.card.SlavePath());

        bench.line.Write("SQ\r");
        ASSERT_TRUE(bench.line.ReadUntil(
            [](const std::string& b) { return b.find('\n') != std::string::npos; }, 3s));
        EXPECT_EQ(bench.line.Buffer().find('\r'), std::string::npos);
        bench.line.Clear();

        const std::string raw("A\0\xFF\r", 4);
        bench.card.Inject(raw);
        ASSERT_TRUE(bench.line.ReadUntil([](const std::string& b) { return b.size() >= 4; }, 3s));
        EXPECT_EQ(bench.line.Buffer(), raw);
    }
    struct stat info {};
    EXPECT_NE(lstat(options.linkPath.c_str(), &info), 0);
}
