// "Read All Sensors": the survey of the whole card from the window's menu entry and Ctrl+R, its
// line in the service record and what the window says of it; and the survey class driven
// directly on the window's link.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DialogAnswers.h"
#include "OperationsTest.h"
#include "app/survey/SensorSurvey.h"
#include "app/survey/SurveyEvent.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"
#include "report/ReportDocument.h"
#include "report/ServiceReportWindow.h"

namespace opstest {
namespace {

using namespace std::chrono_literals;
using Id = MaintenanceDialog::ControlId;
using windowtest::Printable;

constexpr double kVoltsPerCount = 0.002442;
constexpr double kMilliampsPerCount = 0.0003051851;

// SQ, then 0VQ 0CQ 0TQ, 1VQ 1CQ 1TQ ... 7TQ.
std::vector<std::string> SurveyCommands() {
    std::vector<std::string> commands{"SQ"};
    for (int sensor = 0; sensor < 8; ++sensor) {
        for (const char* query : {"VQ", "CQ", "TQ"}) {
            commands.push_back(std::to_string(sensor) + query);
        }
    }
    return commands;
}

class ReadAllSensorsTest : public OperationsTest {
  protected:
    QAction& Entry() const {
        for (QAction* action : window->SystemMenu()->actions()) {
            if (action->text() == QStringLiteral("Read All Sensors")) {
                return *action;
            }
        }
        throw std::logic_error("no Read All Sensors entry");
    }

    bool WaitForOutcome() const {
        return QTest::qWaitFor(
            [&] { return Text(Id::IdResponse).startsWith(QStringLiteral("Read all sensors: ")); },
            10000);
    }

    // The entry triggered and the survey waited for, with its record line.
    QJsonObject Survey() {
        Entry().trigger();
        EXPECT_TRUE(WaitForOutcome()) << Text(Id::IdResponse).toStdString();
        return LastEvent("survey");
    }

    QJsonObject LastEvent(const QString& kind) const {
        const QList<QJsonObject>& events = window->Record().Events();
        for (auto event = events.rbegin(); event != events.rend(); ++event) {
            if (event->value(QStringLiteral("event")).toString() == kind) {
                return *event;
            }
        }
        return {};
    }

    static QJsonObject SensorOf(const QJsonObject& survey, int sensor) {
        return survey.value(QStringLiteral("sensors")).toArray().at(sensor).toObject();
    }

    static QStringList FindingTexts(const QJsonObject& survey) {
        QStringList texts;
        for (const QJsonValue& sensor : survey.value(QStringLiteral("sensors")).toArray()) {
            for (const QJsonValue& finding :
                 sensor.toObject().value(QStringLiteral("findings")).toArray()) {
                texts.append(finding.toObject().value(QStringLiteral("text")).toString());
                EXPECT_FALSE(finding.toObject().value(QStringLiteral("rule")).toString().isEmpty());
            }
        }
        return texts;
    }
};

TEST_F(ReadAllSensorsTest, CtrlRSendsTheStatusQueryThenEachSensorsThreeQueriesOnce) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(Entry().shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R)) << "shown in the menu";

    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(WaitForOutcome());

    EXPECT_EQ(card->Commands(), SurveyCommands());
    EXPECT_EQ(Text(Id::IdResponse), QStringLiteral("Read all sensors: 8 of 8 answered, 1 finding."))
        << "the card's sensor 7 is not trained";
    EXPECT_FALSE(window->Link()->IsPending());
    EXPECT_EQ(window->findChildren<QProgressDialog*>().size(), 0) << "the progress is gone";
}

TEST_F(ReadAllSensorsTest, TheSurveyLineHoldsEachSensorsValuesStatusAndReplies) {
    const QJsonObject survey = Survey();
    ASSERT_FALSE(survey.isEmpty());
    EXPECT_EQ(survey.value(QStringLiteral("status_reply")).toString().size(), 14);

    for (int sensor = 0; sensor < 8; ++sensor) {
        SCOPED_TRACE(sensor);
        const cardsim::SensorState state = card->Sensor(sensor);
        const QJsonObject values = SensorOf(survey, sensor);
        EXPECT_EQ(values.value(QStringLiteral("sensor")).toInt(), sensor);
        EXPECT_DOUBLE_EQ(values.value(QStringLiteral("volts")).toDouble(),
                         state.voltageCode * kVoltsPerCount);
        const double milliamps = values.value(QStringLiteral("milliamps")).toDouble();
        const int currentCode = values.value(QStringLiteral("replies"))
                                    .toObject()
                                    .value(QStringLiteral("current"))
                                    .toString()
                                    .toInt(nullptr, 16);
        EXPECT_LE(std::abs(currentCode - state.currentLevel), 8) << "the card's noise";
        EXPECT_DOUBLE_EQ(milliamps, currentCode * kMilliampsPerCount);
        EXPECT_DOUBLE_EQ(values.value(QStringLiteral("power_milliwatts")).toDouble(),
                         values.value(QStringLiteral("volts")).toDouble() * milliamps)
            << "from this survey's own voltage and current";
        char voltageCode[8];
        std::snprintf(voltageCode, sizeof voltageCode, "%03X", state.voltageCode);
        EXPECT_EQ(
            values.value(QStringLiteral("replies")).toObject().value(QStringLiteral("voltage")),
            QString::fromLatin1(voltageCode));
        EXPECT_EQ(values.value(QStringLiteral("enabled")), true);
        EXPECT_EQ(values.value(QStringLiteral("trained")), state.trained);
        for (const char* condition : {"shorted", "opened", "covered"}) {
            EXPECT_EQ(values.value(QLatin1String(condition)), false) << condition;
        }
        if (state.trained) {
            EXPECT_DOUBLE_EQ(values.value(QStringLiteral("trip_point_milliamps")).toDouble(),
                             state.tripCode * kMilliampsPerCount);
        } else {
            EXPECT_TRUE(values.value(QStringLiteral("trip_point_milliamps")).isNull());
            EXPECT_EQ(values.value(QStringLiteral("not_trained")), true);
        }
        EXPECT_EQ(values.value(QStringLiteral("no_response")).toArray(), QJsonArray());
    }
    EXPECT_EQ(FindingTexts(survey), QStringList{QStringLiteral("Sensor 7: not trained.")});
}

TEST_F(ReadAllSensorsTest, ACoveredSensorAndASettingReadBackDifferentAreFindings) {
    // Sensor 5 set to 4.80 V (code 7AD), then the card comes back with its old 4.537 V
    // (code 742); sensor 2 set to 5.00 V (7FF) reads one code step above, 800: in order.
    for (const auto& [typed, sensor] : {std::pair{"4.80", 5}, std::pair{"5.00", 2}}) {
        ModalDialogAnswerer answerer(TypeLevel(QString::fromLatin1(typed), sensor));
        Click(Id::IdSetVoltage);
        ASSERT_TRUE(answerer.Answered());
    }
    ASSERT_EQ(card->Sensor(5).voltageCode, 0x7AD);
    ASSERT_EQ(card->Sensor(2).voltageCode, 0x7FF);
    cardsim::SensorState five = card->Sensor(5);
    five.voltageCode = 0x742;
    card->SetSensor(5, five);
    cardsim::SensorState two = card->Sensor(2);
    two.voltageCode = 0x800;
    card->SetSensor(2, two);
    cardsim::SensorState one = card->Sensor(1);
    one.covered = true;
    card->SetSensor(1, one);

    const QJsonObject survey = Survey();

    EXPECT_EQ(FindingTexts(survey),
              (QStringList{QStringLiteral("Sensor 1: covered."),
                           QStringLiteral("Sensor 5: voltage differs from its setting (set 4.800 "
                                          "V, read 4.537 V)."),
                           QStringLiteral("Sensor 7: not trained.")}));
    EXPECT_EQ(SensorOf(survey, 1).value(QStringLiteral("covered")), true);
    EXPECT_EQ(Text(Id::IdResponse),
              QStringLiteral("Read all sensors: 8 of 8 answered, 3 findings."));

    // The status grid shows the survey's status reply, as "Update" would: rows enabled,
    // trained, shorted, opened, covered; column k is sensor 7 - k.
    const QStringList rows{"11111111", "01111111", "00000000", "00000000", "00000010"};
    for (int row = 0; row < 5; ++row) {
        QString shown;
        for (int column = 0; column < 8; ++column) {
            shown += Text(Id::IdFirstStatusCell + 8 * row + column);
        }
        EXPECT_EQ(shown, rows[row]) << "row " << row;
    }
}

TEST_F(ReadAllSensorsTest, TheReportWindowsButtonSurveysAndTheReportSaysWhatIsNotInOrder) {
    // Sensor 5 set to 4.80 V, then back at its old 4.537 V as a card restarted would be.
    ModalDialogAnswerer answerer(TypeLevel(QStringLiteral("4.80"), 5));
    Click(Id::IdSetVoltage);
    ASSERT_TRUE(answerer.Answered());
    cardsim::SensorState five = card->Sensor(5);
    five.voltageCode = 0x742;
    card->SetSensor(5, five);
    cardsim::SensorState one = card->Sensor(1);
    one.covered = true;
    card->SetSensor(1, one);
    card->ClearRecord();
    window->OpenServiceReport();
    ServiceReportWindow* report = window->ServiceReport();
    ASSERT_NE(report, nullptr);
    QPushButton* button = nullptr;
    for (QPushButton* candidate : report->findChildren<QPushButton*>()) {
        if (candidate->text() == QStringLiteral("Rea&d All Sensors")) {
            button = candidate;
        }
    }
    ASSERT_NE(button, nullptr);

    button->click();
    ASSERT_TRUE(WaitForOutcome());

    EXPECT_EQ(card->Commands(), SurveyCommands());
    report->Refresh();
    const ServiceReport& shown = report->Document().Report();
    EXPECT_EQ(shown.summary.toStdString(),
              "As left: 5 of 8 sensors in order. Sensor 1: covered. Sensor 5: voltage differs "
              "from its setting (set 4.800 V, read 4.537 V). Sensor 7: not trained.");
    EXPECT_FALSE(shown.asFoundSurveyed) << "the change came first";
    ASSERT_TRUE(shown.asLeft[5].voltage);
    EXPECT_EQ(shown.asLeft[5].voltage->text, "4.537 V");
    EXPECT_EQ(shown.asLeft[5].voltage->setting, "4.800 V");

    MakeReplyPending();
    button->click();
    EXPECT_EQ(feedback.Beeps(), 1) << "refused as the menu entry is";
    EndPendingReply();
}

TEST_F(ReadAllSensorsTest, AValueThatDoesNotComeIsMarked) {
    card->SetSilentAfterCommands(24);  // everything but the last, 7TQ

    const QJsonObject survey = Survey();

    std::vector<std::string> expected = SurveyCommands();
    expected.push_back("SQ");  // where a late 7TQ answer would end
    EXPECT_EQ(card->Commands(), expected);
    const QJsonObject seven = SensorOf(survey, 7);
    EXPECT_EQ(seven.value(QStringLiteral("no_response")).toArray(), QJsonArray{"trip_point"});
    EXPECT_TRUE(seven.value(QStringLiteral("replies")).toObject().value("trip_point").isNull());
    EXPECT_TRUE(seven.value(QStringLiteral("trip_point_milliamps")).isNull());
    EXPECT_TRUE(
        FindingTexts(survey).contains(QStringLiteral("Sensor 7: trip point did not come.")));
    EXPECT_TRUE(
        Text(Id::IdResponse).startsWith(QStringLiteral("Read all sensors: 7 of 8 answered")));
}

// The card answers in order: a status reply after its wait is still the status query's, and
// each value after it its own query's.
TEST_F(ReadAllSensorsTest, ALateStatusReplyIsTakenAsLateAndEachValueIsItsQuerysOwn) {
    cardsim::CardOptions options = card->Options();
    options.commandDelays["SQ"] = 1500ms;  // past the 1000 ms wait
    card->SetOptions(options);

    const QJsonObject survey = Survey();

    EXPECT_EQ(card->Commands(), SurveyCommands());
    EXPECT_FALSE(survey.contains(QStringLiteral("status_no_response")));
    EXPECT_GE(survey.value(QStringLiteral("status_late_ms")).toDouble(), 1500);
    EXPECT_EQ(survey.value(QStringLiteral("status_reply")).toString().size(), 14);
    for (int sensor = 0; sensor < 8; ++sensor) {
        SCOPED_TRACE(sensor);
        const QJsonObject replies = SensorOf(survey, sensor).value("replies").toObject();
        char voltageCode[8];
        std::snprintf(voltageCode, sizeof voltageCode, "%03X", card->Sensor(sensor).voltageCode);
        EXPECT_EQ(replies.value("voltage"), QString::fromLatin1(voltageCode));
        EXPECT_EQ(replies.value("current").toString().size(), 4);
    }
}

// A late value is its own query's, marked late with its delay; a status query after the
// unanswered one marks where it would end, and every later value is its own query's.
TEST_F(ReadAllSensorsTest, ALateValueIsItsOwnQuerysMarkedLateAndEveryLaterValueIsItsQuerysOwn) {
    cardsim::CardOptions options = card->Options();
    options.commandDelays["0CQ"] = 1500ms;  // past the 1000 ms wait
    card->SetOptions(options);
    card->SetSensor(0, {.voltageCode = 0x7FF, .tripCode = 0x0ABC, .currentLevel = 0x1000});
    card->SetSensor(1, {.voltageCode = 0x3FF});
    card->SetNoise(0, 1);

    const QJsonObject survey = Survey();

    std::vector<std::string> expected = SurveyCommands();
    expected.insert(expected.begin() + 3, "SQ");  // after 0CQ
    EXPECT_EQ(card->Commands(), expected);
    const QJsonObject zero = SensorOf(survey, 0);
    EXPECT_EQ(zero.value(QStringLiteral("no_response")).toArray(), QJsonArray{});
    EXPECT_EQ(zero.value("replies").toObject().value("current"), QStringLiteral("1000"));
    EXPECT_GE(zero.value("late_ms").toObject().value("current").toDouble(), 1500);
    EXPECT_EQ(zero.value("replies").toObject().value("trip_point"), QStringLiteral("0ABC"));
    EXPECT_EQ(SensorOf(survey, 1).value("replies").toObject().value("voltage"),
              QStringLiteral("3FF"));
    EXPECT_EQ(zero.value("findings").toArray(), QJsonArray{});
    EXPECT_TRUE(
        Text(Id::IdResponse).endsWith(QStringLiteral(" The card took up to 1.5 s to answer.")))
        << Text(Id::IdResponse).toStdString();
}

TEST_F(ReadAllSensorsTest, RefusedWhileADumpOrAPendingReplyHoldsTheLine) {
    Click(Id::IdStartStop);
    ASSERT_TRUE(window->IsDumpRunning());
    Entry().trigger();
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_EQ(LastEvent("refused").value(QStringLiteral("command")), "read_all_sensors");
    EXPECT_TRUE(window->findChildren<QProgressDialog*>().isEmpty());
    Click(Id::IdStartStop);
    while (window->IsDumpRunning()) {
        window->OnDumpTick();
    }
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "LD\\rM") << "only the dump's start and stop";

    card->ClearRecord();
    MakeReplyPending();
    Entry().trigger();
    EXPECT_EQ(feedback.Beeps(), 2);
    EndPendingReply();
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
    EXPECT_TRUE(LastEvent("survey").isEmpty());
}

TEST_F(ReadAllSensorsTest, EscapeCancelsAndNothingMoreIsSent) {
    cardsim::CardOptions options = card->Options();
    options.commandDelays["0CQ"] = 300ms;
    card->SetOptions(options);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    Entry().trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return card->Received().ends_with("0CQ\r"); }, 10000))
        << Printable(card->Received()) << Text(Id::IdResponse).toStdString();
    auto* progress = window->findChild<QProgressDialog*>();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->maximum(), 25);
    ASSERT_TRUE(QTest::qWaitForWindowActive(progress));
    QTest::keyClick(progress, Qt::Key_Escape);

    EXPECT_FALSE(window->Link()->IsPending());
    EXPECT_EQ(Text(Id::IdResponse),
              QStringLiteral("Read all sensors: cancelled after 2 of 25 queries."));
    EXPECT_EQ(LastEvent("survey").value(QStringLiteral("cancelled")), true);
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "SQ\\r0VQ\\r0CQ\\r");
}

// The survey class on the window's link, as the window uses it.
TEST_F(OperationsTest, TheSurveyLeavesTheEventLoopRunningWhileItWaits) {
    cardsim::CardOptions options = card->Options();
    options.replyDelay = 20ms;
    card->SetOptions(options);
    SensorSurvey survey(*window->Link(), 1000ms);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10ms);
    std::vector<int> progress;
    QObject::connect(&survey, &SensorSurvey::Progressed,
                     [&](int done) { progress.push_back(done); });

    ASSERT_TRUE(survey.Start());
    EXPECT_TRUE(window->Link()->IsPending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !survey.IsRunning(); }, 10000));

    EXPECT_GE(ticks, 25) << "25 replies 20 ms late: the timer ran meanwhile";
    EXPECT_EQ(progress.size(), 25u);
    EXPECT_EQ(progress.back(), 25);
    EXPECT_FALSE(survey.WasCancelled());
    EXPECT_EQ(survey.Replies().sensors[3].voltage, "763");
    EXPECT_EQ(card->Commands(), SurveyCommands());
}

// A card that fell silent: the status query after the unanswered value waits 5 s; then before
// each value a status query asks whether the card answers again, and the value query is not
// sent while it does not.
TEST_F(OperationsTest, ACardFallenSilentIsAskedWhetherItAnswersBeforeEachValue) {
    card->SetSilentAfterCommands(5);  // SQ, sensor 0's three and 1VQ
    SensorSurvey survey(*window->Link(), 50ms);
    ASSERT_TRUE(survey.Start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !survey.IsRunning(); }, 20000));

    const std::vector<std::string> all = SurveyCommands();
    std::vector<std::string> expected(all.begin(), all.begin() + 6);
    expected.insert(expected.end(), 1 + 19, "SQ");  // after 1CQ; then one before each of 19
    EXPECT_EQ(card->Commands(), expected);
    const SurveyReplies& replies = survey.Replies();
    EXPECT_TRUE(replies.queries[5].waitEnded) << "1CQ went out and got nothing";
    EXPECT_FALSE(replies.queries[6].sent) << "1TQ never went out";
    EXPECT_FALSE(replies.queries[24].sent);
    EXPECT_EQ(survey.QueriesDone(), 25);
}

// A line of no answer's shape, even with its foreign bytes set aside, is never converted: it
// is the query's unreadable reply, and no status condition is read from it.
TEST_F(OperationsTest, ALineOfNoAnswersShapeIsUnreadableNeverAValueOrAStatus) {
    card->SetSilent(true);  // the line's bytes come from the test
    SensorSurvey survey(*window->Link(), 200ms);
    ASSERT_TRUE(survey.Start());
    ASSERT_TRUE(card->WaitForReceivedContaining("SQ\r", 5s));
    card->Inject("FF FF FF FF F\r\n");  // a status digit lost
    ASSERT_TRUE(QTest::qWaitFor([&] { return card->Received().ends_with("0VQ\r"); }, 5000));
    card->Inject(
        "\x1B"
        "7F\xFE\r\n");  // a voltage digit lost among foreign bytes
    ASSERT_TRUE(QTest::qWaitFor([&] { return !survey.IsRunning(); }, 20000));

    const SurveyReplies& replies = survey.Replies();
    EXPECT_FALSE(replies.status.has_value());
    EXPECT_EQ(replies.queries[0].unreadable, "FF FF FF FF F");
    EXPECT_FALSE(replies.sensors[0].voltage.has_value());
    EXPECT_EQ(replies.queries[1].unreadable,
              "\x1B"
              "7F\xFE");
    const QJsonObject values = survey::EventValues(replies, false, survey.QueriesDone(), {});
    EXPECT_EQ(values.value("status_unreadable"), "FF FF FF FF F");
    const QJsonObject zero = values.value("sensors").toArray().first().toObject();
    EXPECT_TRUE(zero.value("volts").isNull());
    EXPECT_TRUE(zero.value("shorted").isNull()) << "no status read";
    QStringList findings;
    for (const QJsonValue& finding : values.value("findings").toArray()) {
        findings << finding.toObject().value("text").toString();
    }
    for (const QJsonValue& finding : zero.value("findings").toArray()) {
        findings << finding.toObject().value("text").toString();
    }
    EXPECT_EQ(findings.first(), QStringLiteral("Status reply unreadable (\"FF FF FF FF F\")."));
    EXPECT_TRUE(
        findings.contains(QStringLiteral("Sensor 0: voltage reply unreadable (\"\\x1B7F\\xFE\").")))
        << findings.join('\n').toStdString();
    EXPECT_FALSE(findings.join('\n').contains(QStringLiteral("shorted")));
}

TEST_F(OperationsTest, TheSurveyIsRefusedWhileAReplyIsPending) {
    MakeReplyPending();
    SensorSurvey survey(*window->Link(), 1000ms);
    EXPECT_FALSE(survey.Start());
    EXPECT_FALSE(survey.IsRunning());
    EndPendingReply();
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

}  // namespace
}  // namespace opstest
