// "merrowby survey" as a shell runs it, with no display, against the simulated card.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <chrono>
#include <functional>
#include <memory>

#include "ProgramRun.h"
#include "platform/ExclusiveDevice.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

using namespace std::chrono_literals;

// Discovery's "N" and "M", the status query and each sensor's three queries, the exit's "N".
const std::vector<std::string> kSurveyCommands{"N",   "M",   "SQ",  "0VQ", "0CQ", "0TQ", "1VQ",
                                               "1CQ", "1TQ", "2VQ", "2CQ", "2TQ", "3VQ", "3CQ",
                                               "3TQ", "4VQ", "4CQ", "4TQ", "5VQ", "5CQ", "5TQ",
                                               "6VQ", "6CQ", "6TQ", "7VQ", "7CQ", "7TQ", "N"};

QStringList EventKinds(const QList<QJsonObject>& events) {
    QStringList kinds;
    for (const QJsonObject& event : events) {
        kinds << event.value("event").toString();
    }
    return kinds;
}

class SurveyCommandTest : public ::testing::Test {
  protected:
    QStringList SurveyArguments(const cardsim::CardSimulator& card) const {
        return {"survey", "--port", QString::fromStdString("COM2=" + card.SlavePath())};
    }

    ProgramRun run;
};

TEST_F(SurveyCommandTest, JsonHoldsTheCardsValuesAndACoveredSensorGivesStatus3) {
    cardsim::CardOptions options;
    options.sensors[1].covered = true;
    cardsim::CardSimulator card(options);

    const ProgramRun::Result result = run.Run(SurveyArguments(card) << "--json");
    EXPECT_EQ(result.status, 3) << result.err.toStdString();
    EXPECT_EQ(card.Commands(), kSurveyCommands);
    EXPECT_TRUE(card.Online()) << "left online";

    QJsonParseError error{};
    const QJsonObject document = QJsonDocument::fromJson(result.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
    EXPECT_EQ(document.value("port").toString(), "COM2");
    EXPECT_EQ(document.value("device").toString().toStdString(), card.SlavePath());
    EXPECT_EQ(document.value("card").toArray().first().toString(), "SENSOR CARD V2.1 ONLINE");
    const QJsonArray sensors = document.value("sensors").toArray();
    ASSERT_EQ(sensors.size(), 8);
    const QJsonObject sensor1 = sensors[1].toObject();
    EXPECT_TRUE(sensor1.value("status").toObject().value("covered").toBool());
    EXPECT_EQ(sensor1.value("findings").toArray(), QJsonArray{"Sensor 1: covered."});
    const QJsonObject sensor3 = sensors[3].toObject();
    EXPECT_NEAR(sensor3.value("volts").toDouble(), 4.618, 0.0005) << "reply 763";
    EXPECT_TRUE(sensor3.value("trip_point_milliamps").isDouble());
    EXPECT_NEAR(sensor3.value("power_milliwatts").toDouble(),
                sensor3.value("volts").toDouble() * sensor3.value("milliamps").toDouble(), 1e-9);
    EXPECT_TRUE(sensor3.value("findings").toArray().isEmpty());
    EXPECT_TRUE(sensors[7].toObject().value("trip_point_milliamps").isNull()) << "not trained";
    EXPECT_EQ(sensors[7].toObject().value("findings").toArray(),
              QJsonArray{"Sensor 7: not trained."});
    EXPECT_TRUE(document.value("findings").toArray().isEmpty());

    EXPECT_EQ(EventKinds(run.RecordEvents()),
              (QStringList{"visit", "discovery", "survey", "go_online", "exit"}));
    // The record to report, named in the JSON and on the standard error.
    EXPECT_EQ(document.value("record").toString(), run.RecordPath());
    EXPECT_EQ(QString::fromUtf8(result.err), "Service record: " + run.RecordPath() + "\n");
}

TEST_F(SurveyCommandTest, ACardInOrderGivesTheTableAndStatus0) {
    cardsim::CardOptions options;
    options.sensors[7].trained = true;
    cardsim::CardSimulator card(options);

    const ProgramRun::Result result = run.Run(SurveyArguments(card) << "--model"
                                                                    << "LX 9"
                                                                    << "--serial-number=SN-0042"
                                                                    << "--customer"
                                                                    << "Northfield Lab"
                                                                    << "--site=Room 2");
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(result.err), "Service record: " + run.RecordPath() + "\n");
    EXPECT_TRUE(result.out.contains("Port:   COM2")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("4.618 V")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("No findings")) << result.out.toStdString();
    EXPECT_EQ(card.Commands(), kSurveyCommands);

    // The instrument recorded as the report window records it.
    const QList<QJsonObject> events = run.RecordEvents();
    ASSERT_EQ(EventKinds(events),
              (QStringList{"visit", "report_details", "discovery", "survey", "go_online", "exit"}));
    const QJsonObject details = events[1];
    EXPECT_EQ(details.value("model").toString(), "LX 9");
    EXPECT_EQ(details.value("serial_number").toString(), "SN-0042");
    EXPECT_EQ(details.value("asset_number").toString(), "");
    EXPECT_EQ(details.value("customer").toString(), "Northfield Lab");
    EXPECT_EQ(details.value("site").toString(), "Room 2");
    EXPECT_EQ(details.value("reason").toString(), "");
    EXPECT_TRUE(details.value("technician").isString());
}

TEST_F(SurveyCommandTest, ADetailWithoutItsValueGivesStatus1AndNoSurvey) {
    cardsim::CardSimulator card;
    const ProgramRun::Result result = run.Run(SurveyArguments(card) << "--serial-number");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.contains("--serial-number needs a value")) << result.err.toStdString();
    EXPECT_TRUE(card.Commands().empty());
}

// A value outside the limits of the model given is a finding, in the output and the status,
// and the limits go into the record before the survey; limits that cannot be held against the
// model stop the run before the card is asked anything.
TEST_F(SurveyCommandTest, TheLimitsGivenJudgeTheSurveyAndGoIntoTheRecord) {
    cardsim::CardOptions options;
    options.sensors[3].voltageCode = 0x5A0;
    options.sensors[7].trained = true;
    cardsim::CardSimulator card(options);
    const QString limits = run.FilePath("lab limits.json");
    {
        QFile file(limits);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"models": {"MX-8": {"volts": {"min": 4.0, "max": 5.0}}}})");
    }

    for (const auto& [arguments, message] : std::vector<std::pair<QStringList, QByteArray>>{
             {{"--model", "MX-8", "--limits", run.FilePath("absent.json")},
              "merrowby survey: The acceptance limits " + run.FilePath("absent.json").toUtf8() +
                  " cannot be read: No such file or directory\n"},
             {{"--limits", limits},
              "merrowby survey: --limits needs --model: the limits are held against a "
              "model's.\n"},
             {{"--model", "MX-9", "--limits", limits},
              "merrowby survey: The acceptance limits " + limits.toUtf8() +
                  " name no model \"MX-9\".\n"}}) {
        const ProgramRun::Result refused = run.Run(SurveyArguments(card) << arguments);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, message);
    }
    EXPECT_TRUE(card.Commands().empty());

    const ProgramRun::Result result =
        run.Run(SurveyArguments(card) << "--model"
                                      << "MX-8"
                                      << "--limits=" + limits << "--json");
    EXPECT_EQ(result.status, 3) << result.err.toStdString();
    const QJsonArray sensors =
        QJsonDocument::fromJson(result.out).object().value("sensors").toArray();
    ASSERT_EQ(sensors.size(), 8) << result.out.toStdString();
    EXPECT_EQ(sensors[3].toObject().value("findings").toArray(),
              QJsonArray{"Sensor 3: voltage 3.516 V outside its limits (4.000 to 5.000 V)."});
    EXPECT_TRUE(sensors[2].toObject().value("findings").toArray().isEmpty());

    const QList<QJsonObject> events = run.RecordEvents();
    ASSERT_EQ(EventKinds(events), (QStringList{"visit", "report_details", "acceptance_limits",
                                               "discovery", "survey", "go_online", "exit"}));
    EXPECT_EQ(events[2].value("file").toString(), "lab limits.json");
    EXPECT_EQ(events[2].value("sha256").toString(),
              "765479d542842ac67dab98ebec58b8f09aac61409542ffb2d51215f482b1543e");
    EXPECT_EQ(events[2].value("content").toString(),
              R"({"models": {"MX-8": {"volts": {"min": 4.0, "max": 5.0}}}})");
}

TEST_F(SurveyCommandTest, NoCardGivesStatus2AndItsMessage) {
    cardsim::CardOptions silent;
    silent.silent = true;
    cardsim::CardSimulator card(silent);
    const struct {
        QStringList arguments;
        QByteArray message;
    } cases[] = {
        {{"survey", "--json"}, "No available serial ports.\n"},
        {SurveyArguments(card) << "--json", "No Sensor Card was found.\n"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.message.toStdString());
        const ProgramRun::Result result = run.Run(test.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.err.startsWith(test.message + "Service record: "))
            << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
    }
}

// A device this user may not open, and one another program holds, each named with its cause
// after the first sentence, and each with its own status.
TEST_F(SurveyCommandTest, ARefusedDeviceAndAHeldOneGetTheirCauseAndStatus) {
    cardsim::CardSimulator card;
    const QString device = QString::fromStdString(card.SlavePath());
    const QStringList arguments = {"survey", "--port", "COM1=" + device};

    // Run as a user outside the device's group, with a records folder of its own.
    ASSERT_EQ(::chmod(card.SlavePath().c_str(), 0600), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(run.FilePath("")), 0711), 0);
    ASSERT_TRUE(QDir(run.FilePath("")).mkdir("data"));
    ASSERT_EQ(::chown(QFile::encodeName(run.FilePath("data")), 65534, 65534), 0);
    QProcess outsider;
    outsider.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(125);
        }
    });
    run.Start(outsider, arguments);
    ASSERT_TRUE(outsider.waitForFinished(60000));
    EXPECT_EQ(outsider.exitCode(), 5);
    // One line of it: another user's environment may draw warnings before it.
    const QString refusedErr = QString::fromUtf8(outsider.readAllStandardError());
    EXPECT_TRUE(refusedErr.split('\n').contains(
        "No available serial ports. Access to COM1 (" + device +
        ") was refused: add the user to the group dialout, then log out and in again."))
        << refusedErr.toStdString();
    EXPECT_TRUE(outsider.readAllStandardOutput().isEmpty());

    // Held as the program's own lock holds it: the lock names this test's process.
    platform::ExclusiveDevice holder;
    ASSERT_TRUE(holder.Open(card.SlavePath(), O_RDWR | O_NONBLOCK));
    const ProgramRun::Result held = run.Run(arguments);
    EXPECT_EQ(held.status, 6);
    EXPECT_TRUE(held.err.startsWith(QStringLiteral("No available serial ports. COM1 (%1) is in use "
                                                   "by cli_tests (process %2).\nService record: ")
                                        .arg(device)
                                        .arg(::getpid())
                                        .toUtf8()))
        << held.err.toStdString();
    EXPECT_EQ(card.Received(), "");
}

TEST_F(SurveyCommandTest, SigtermDuringTheSurveyPutsTheCardBackOnline) {
    cardsim::CardOptions options;
    options.startOnline = true;
    options.commandDelays["2CQ"] = 1500ms;
    cardsim::CardSimulator card(options);

    QProcess program;
    run.Start(program, SurveyArguments(card) << "--json");
    ASSERT_TRUE(card.WaitForReceivedContaining("2CQ\r", 20s));
    ASSERT_FALSE(card.Online()) << "the survey runs with the card offline";
    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGTERM), 0);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(program.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(program.readAllStandardError().startsWith("Interrupted;"));

    ASSERT_TRUE(card.WaitForCommandCount(12, 5s));
    const std::vector<std::string> commands = card.Commands();
    EXPECT_EQ(commands.back(), "N");
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "2TQ"), 0) << "nothing after 2CQ";
    EXPECT_TRUE(card.Online());
    const QList<QJsonObject> events = run.RecordEvents();
    EXPECT_EQ(EventKinds(events),
              (QStringList{"visit", "discovery", "survey", "go_online", "exit"}));
    EXPECT_TRUE(events[2].value("cancelled").toBool());
}

// The card answers in order: on each line a technician meets, every value is the card's own
// code under its own query, and the survey waits longer for a card slower than its wait.
TEST_F(SurveyCommandTest, EveryValueIsFiledUnderItsOwnQueryOnTheLinesTechniciansMeet) {
    constexpr double kVoltsPerCount = 0.002442;
    constexpr double kMilliampsPerCount = 0.0003051851;
    const struct {
        const char* line;
        std::function<void(cardsim::CardOptions&)> set;
        bool slow;  // the card takes longer than the 1000 ms wait
    } lines[] = {
        {"bytes paced 1 ms apart",
         [](cardsim::CardOptions& o) { o.chunkSize = 1, o.chunkGap = 1ms; }, false},
        {"every reply at 1.2 s", [](cardsim::CardOptions& o) { o.replyDelay = 1200ms; }, true},
        {"one reply 2.5 s late", [](cardsim::CardOptions& o) { o.commandDelays["0CQ"] = 2500ms; },
         true},
        {"an extra line after each reply, bytes 2 ms apart",
         [](cardsim::CardOptions& o) { o.extraLines = 1, o.chunkSize = 1, o.chunkGap = 2ms; },
         false},
        {"three bytes of noise before each line",
         [](cardsim::CardOptions& o) { o.garbageBefore = std::string("\x00\x1B\xFE", 3); }, false},
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(line.line);
        cardsim::CardOptions options;
        options.noiseAmplitude = 0;
        for (cardsim::SensorState& sensor : options.sensors) {
            sensor.trained = true;
        }
        line.set(options);
        cardsim::CardSimulator card(options);
        const ProgramRun lineRun;

        const ProgramRun::Result result = lineRun.Run(SurveyArguments(card) << "--json");
        // A line the card adds after its last reply may come before the exit's "N" answer, so
        // that its confirmation is not read: said, and exit 1.
        const bool extraLines = options.extraLines > 0;
        EXPECT_TRUE(result.status == 0 || (extraLines && result.status == 1 &&
                                           result.err.contains("may still be offline")))
            << result.err.toStdString() << result.out.toStdString();
        const QJsonObject document = QJsonDocument::fromJson(result.out).object();
        const QJsonArray sensors = document.value("sensors").toArray();
        ASSERT_EQ(sensors.size(), 8) << result.out.toStdString();
        for (int i = 0; i < 8; ++i) {
            SCOPED_TRACE(i);
            const QJsonObject sensor = sensors[i].toObject();
            const cardsim::SensorState& state = options.sensors[static_cast<std::size_t>(i)];
            EXPECT_DOUBLE_EQ(sensor.value("volts").toDouble(-1),
                             state.voltageCode * kVoltsPerCount);
            EXPECT_DOUBLE_EQ(sensor.value("milliamps").toDouble(-1),
                             state.currentLevel * kMilliampsPerCount);
            EXPECT_DOUBLE_EQ(sensor.value("trip_point_milliamps").toDouble(-1),
                             state.tripCode * kMilliampsPerCount);
            EXPECT_EQ(sensor.value("status").toObject().value("enabled"), true);
            EXPECT_EQ(sensor.value("findings").toArray(), QJsonArray{});
        }
        EXPECT_EQ(document.value("findings").toArray(), QJsonArray{});
        EXPECT_EQ(result.err.contains("The card took up to"), line.slow)
            << result.err.toStdString();
        EXPECT_EQ(document.value("slowest_reply_ms").toDouble() > 1000, line.slow);
        EXPECT_TRUE(card.Online()) << "left online";
    }
}

// The search's "M" is answered after the card's late answer to "N": that answer is not taken for
// the "M"'s.
TEST_F(SurveyCommandTest, TheSearchTakesTheOfflineReplyOnlyAfterALateOnlineReply) {
    cardsim::CardOptions options;
    options.startOnline = false;
    options.commandDelays["N"] = 1500ms;  // past the 1000 ms wait
    cardsim::CardSimulator card(options);

    const ProgramRun::Result result = run.Run(SurveyArguments(card) << "--json");
    const QJsonObject document = QJsonDocument::fromJson(result.out).object();
    EXPECT_EQ(document.value("card").toArray(),
              (QJsonArray{"SENSOR CARD V2.1 ONLINE", "SENSOR CARD V2.1 OFFLINE"}))
        << result.err.toStdString() << result.out.toStdString();
    EXPECT_EQ(document.value("sensors").toArray().size(), 8);
}

// A line lost in the survey is said at once; the queries after it never went out and are
// said so, never "did not come", and the survey fails.
TEST_F(SurveyCommandTest, ALineLostDuringTheSurveyIsSaidAndWhatWasNotSentIsNotSent) {
    auto card = std::make_unique<cardsim::CardSimulator>();
    const std::string device = card->SlavePath();
    QProcess program;
    run.Start(program, SurveyArguments(*card) << "--json");
    ASSERT_TRUE(card->WaitForReceivedContaining("2VQ\r", 20s));
    card.reset();  // the adapter pulled out

    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 1);
    const QByteArray err = program.readAllStandardError();
    EXPECT_TRUE(err.contains("was lost")) << err.toStdString();
    const QJsonObject document = QJsonDocument::fromJson(program.readAllStandardOutput()).object();
    EXPECT_EQ(document.value("line_lost"), true);
    const QList<QJsonObject> events = run.RecordEvents();
    ASSERT_TRUE(EventKinds(events).contains("line_lost"))
        << EventKinds(events).join(' ').toStdString();
    QJsonObject survey;
    for (const QJsonObject& event : events) {
        if (event.value("event") == "survey") {
            survey = event;
        }
    }
    const QJsonArray sensors = survey.value("sensors").toArray();
    ASSERT_EQ(sensors.size(), 8);
    EXPECT_EQ(sensors[6].toObject().value("not_sent"),
              (QJsonArray{"voltage", "current", "trip_point"}));
    EXPECT_EQ(sensors[6].toObject().value("no_response"), QJsonArray{});
    EXPECT_TRUE(sensors[1].toObject().value("replies").toObject().value("voltage").isString())
        << "what came before the loss is kept";
    QStringList findings;
    for (const QJsonValue& sensor : sensors) {
        for (const QJsonValue& finding : sensor.toObject().value("findings").toArray()) {
            findings << finding.toObject().value("text").toString();
        }
    }
    EXPECT_FALSE(findings.join('\n').contains("Sensor 6: voltage did not come."));
    EXPECT_TRUE(findings.contains("Sensor 6: voltage not asked."))
        << findings.join('\n').toStdString();
}

TEST_F(SurveyCommandTest, AClosingNWithoutAnswerGivesStatus1AndSaysTheCardMayBeOffline) {
    cardsim::CardOptions options;
    options.sensors[7].trained = true;
    options.silentAfterCommands = 27;  // everything but the closing "N"
    cardsim::CardSimulator card(options);

    const ProgramRun::Result result = run.Run(SurveyArguments(card));
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.contains("may still be offline")) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("4.618 V")) << "the readings all the same";
    EXPECT_EQ(card.Commands(), kSurveyCommands);
    const QList<QJsonObject> events = run.RecordEvents();
    ASSERT_EQ(EventKinds(events),
              (QStringList{"visit", "discovery", "survey", "go_online", "exit"}));
    EXPECT_TRUE(events[3].value("no_response").toBool());
}

TEST_F(SurveyCommandTest, AResultThatCannotBeWrittenGivesStatus1AndItsMessage) {
    cardsim::CardSimulator card;
    for (const QStringList& form : {QStringList{"--json"}, QStringList{}}) {
        SCOPED_TRACE(form.join(' ').toStdString());
        QProcess program;
        program.setStandardOutputFile("/dev/full");
        run.Start(program, SurveyArguments(card) << form);
        ASSERT_TRUE(program.waitForFinished(60000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 1);
        EXPECT_TRUE(program.readAllStandardError().startsWith(
            "merrowby survey: the result could not be written: No space left on device\n"));
        EXPECT_EQ(card.Commands().back(), "N");
        EXPECT_TRUE(card.Online());
    }
}

TEST_F(SurveyCommandTest, TheHelpNamesTheSubcommands) {
    const ProgramRun::Result result = run.Run({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.contains("survey [--port NAME=DEVICE ...] [--json]"));
    EXPECT_TRUE(result.out.contains("report RECORD.jsonl --output"));
}

}  // namespace
