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

    EXPECT_EQ(card->Commands(), SurveyCommands());
    const QJsonObject seven = SensorOf(survey, 7);
    EXPECT_EQ(seven.value(QStringLiteral("no_response")).toArray(), QJsonArray{"trip_point"});
    EXPECT_TRUE(seven.value(QStringLiteral("replies")).toObject().value("trip_point").isNull());
    EXPECT_TRUE(seven.value(QStringLiteral("trip_point_milliamps")).isNull());
    EXPECT_TRUE(
        FindingTexts(survey).contains(QStringLiteral("Sensor 7: trip point did not come.")));
    EXPECT_TRUE(
        Text(Id::IdResponse).startsWith(QStringLiteral("Read all sensors: 7 of 8 answered")));
}

TEST_F(ReadAllSensorsTest, ALateStatusReplyIsDroppedAndTheVoltageAwaitedStill) {
    cardsim::CardOptions options = card->Options();
    options.commandDelays["SQ"] = 1500ms;  // past the 1000 ms wait
    card->SetOptions(options);

    const QJsonObject survey = Survey();

    EXPECT_EQ(card->Commands(), SurveyCommands());
    EXPECT_EQ(survey.value(QStringLiteral("status_no_response")), true);
    EXPECT_TRUE(FindingTexts(survey).isEmpty()) << "no status, no conditions";
    for (int sensor = 0; sensor < 8; ++sensor) {
        SCOPED_TRACE(sensor);
        const QJsonObject replies = SensorOf(survey, sensor).value("replies").toObject();
        char voltageCode[8];
        std::snprintf(voltageCode, sizeof voltageCode, "%03X", card->Sensor(sensor).voltageCode);
        EXPECT_EQ(replies.value("voltage"), QString::fromLatin1(voltageCode));
        EXPECT_EQ(replies.value("current").toString().size(), 4);
    }
    const QString late = LastEvent("late_reply").value(QStringLiteral("text")).toString();
    EXPECT_EQ(late.size(), 14 + 2) << late.toStdString() << ": the status bytes, as dropped";
    EXPECT_EQ(late.at(2), QLatin1Char(' '));
}

// A late value looks like the next value's answer: a status query after the unanswered one
// marks where the late lines end.
TEST_F(ReadAllSensorsTest, ALateValueIsDroppedAndEveryLaterValueIsItsQuerysOwn) {
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
    EXPECT_EQ(zero.value(QStringLiteral("no_response")).toArray(), QJsonArray{"current"});
    EXPECT_EQ(zero.value("replies").toObject().value("trip_point"), QStringLiteral("0ABC"));
    EXPECT_EQ(SensorOf(survey, 1).value("replies").toObject().value("voltage"),
              QStringLiteral("3FF"));
    EXPECT_EQ(LastEvent("late_reply").value(QStringLiteral("text")).toString().toStdString(),
              "1000\\n")
        << "its carriage return dropped as the line was read";
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

// A card that fell silent costs one status query, not one after every value.
TEST_F(OperationsTest, ACardFallenSilentGetsOneStatusQueryAfterItsLastAnswer) {
    card->SetSilentAfterCommands(5);  // SQ, sensor 0's three and 1VQ
    SensorSurvey survey(*window->Link(), 50ms);
    ASSERT_TRUE(survey.Start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !survey.IsRunning(); }, 10000));

    std::vector<std::string> expected = SurveyCommands();
    expected.insert(expected.begin() + 6, "SQ");  // after 1CQ, the first unanswered
    EXPECT_EQ(card->Commands(), expected);
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
