// The query section: voltage, current and trip point readings with their conversions, and the
// power level computed from the last voltage and current of one sensor.
#include <gtest/gtest.h>

#include <QTest>

#include <QAccessible>
#include <QApplication>
#include <QJsonObject>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <ostream>
#include <utility>
#include <vector>

#include "AccessibleEventRecorder.h"
#include "BehindTheLink.h"
#include "DialogAnswers.h"
#include "ExpectedText.h"
#include "OperationsTest.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"
#include "report/ServiceReport.h"
#include "trace/ProtocolTrace.h"

namespace opstest {
namespace {

using windowtest::Printable;
using Id = MaintenanceDialog::ControlId;

constexpr double kVoltsPerCount = 0.002442;
constexpr double kMilliampsPerCount = 0.0003051851;

std::string VoltageText(const std::string& reply) {
    return Format("%s (%.3f V)", ("0x" + reply).c_str(), HexValue(reply) * kVoltsPerCount);
}

std::string MilliampText(const std::string& reply) {
    return Format("%s (%.3f mA)", ("0x" + reply).c_str(), HexValue(reply) * kMilliampsPerCount);
}

std::string PowerText(double volts, double milliamps) {
    return Format("%.1f mW", volts * milliamps);
}

class QuerySectionTest : public OperationsTest {
  protected:
    // Clicks a query button, picks the sensor and returns the card's reply line.
    std::string Query(int buttonId, int sensor) {
        card->ClearRecord();
        ModalDialogAnswerer answerer(ChooseSensor(sensor));
        Click(buttonId);
        EXPECT_TRUE(answerer.Answered());
        EXPECT_EQ(answerer.DialogTitle(), QStringLiteral("Select Sensor"));
        return LastCardLine();
    }

    // Sensor codes of the card's own choosing, and no noise on its current readings.
    void SetSensorCodes(int sensor, std::uint16_t voltageCode, std::uint16_t currentLevel) {
        card->SetNoise(0, 1);
        cardsim::SensorState state = card->Sensor(sensor);
        state.voltageCode = voltageCode;
        state.currentLevel = currentLevel;
        card->SetSensor(sensor, state);
    }
};

class SensorQueryTest : public QuerySectionTest, public ::testing::WithParamInterface<int> {};

TEST_P(SensorQueryTest, VoltageShowsTheRawReadingItsVoltsAndTheSensor) {
    const int sensor = GetParam();
    const std::string reply = Query(Id::IdQueryVoltage, sensor);
    EXPECT_EQ(Printable(card->Received()), Printable(Format("%dVQ\r", sensor)));
    EXPECT_EQ(Text(Id::IdVoltageReply), Shown(VoltageText(reply)));
    EXPECT_EQ(Text(Id::IdVoltageSensor), Shown(Format("%d", sensor)));
    EXPECT_EQ(window->LastVoltage(sensor), HexValue(reply) * kVoltsPerCount);
    // No current read yet: the power level is 0 for this sensor.
    EXPECT_EQ(Text(Id::IdPowerLevelReply), Shown(PowerText(HexValue(reply) * kVoltsPerCount, 0)));
    EXPECT_EQ(Text(Id::IdPowerLevelSensor), Shown(Format("%d", sensor)));
    EXPECT_TRUE(feedback.events.empty());
}

TEST_P(SensorQueryTest, CurrentShowsTheRawReadingItsMilliampsAndTheSensor) {
    const int sensor = GetParam();
    const std::string reply = Query(Id::IdQueryCurrent, sensor);
    EXPECT_EQ(Printable(card->Received()), Printable(Format("%dCQ\r", sensor)));
    EXPECT_EQ(Text(Id::IdCurrentReply), Shown(MilliampText(reply)));
    EXPECT_EQ(Text(Id::IdCurrentSensor), Shown(Format("%d", sensor)));
    EXPECT_EQ(window->LastCurrent(sensor), HexValue(reply) * kMilliampsPerCount);
    EXPECT_TRUE(feedback.events.empty());
}

TEST_P(SensorQueryTest, TripPointShowsTheReadingOrNotTrainedAndLeavesThePowerLevel) {
    const int sensor = GetParam();
    const QString power = Text(Id::IdPowerLevelReply);
    const QString powerSensor = Text(Id::IdPowerLevelSensor);
    const std::string reply = Query(Id::IdQueryTripPoint, sensor);
    EXPECT_EQ(Printable(card->Received()), Printable(Format("%dTQ\r", sensor)));
    if (reply.find("NOT TRAINED") != std::string::npos) {
        EXPECT_EQ(Text(Id::IdTripPointReply), QStringLiteral("NOT TRAINED"));
    } else {
        EXPECT_EQ(Text(Id::IdTripPointReply), Shown(MilliampText(reply)));
    }
    EXPECT_EQ(Text(Id::IdTripPointSensor), Shown(Format("%d", sensor)));
    EXPECT_EQ(Text(Id::IdPowerLevelReply), power);
    EXPECT_EQ(Text(Id::IdPowerLevelSensor), powerSensor);
    EXPECT_TRUE(feedback.events.empty());
}

// The default card's sensors have codes of their own; sensor 7 is untrained.
INSTANTIATE_TEST_SUITE_P(Sensors, SensorQueryTest, ::testing::Values(0, 2, 5, 7));

TEST_F(QuerySectionTest, AnUntrainedSensorsReplyIsShownAsNotTrainedAlone) {
    cardsim::SensorState state = card->Sensor(3);
    state.trained = false;
    card->SetSensor(3, state);
    const std::string reply = Query(Id::IdQueryTripPoint, 3);
    ASSERT_NE(reply, "NOT TRAINED");
    ASSERT_NE(reply.find("NOT TRAINED"), std::string::npos) << "other words around it";
    EXPECT_EQ(Text(Id::IdTripPointReply), QStringLiteral("NOT TRAINED"));
}

TEST_F(QuerySectionTest, PowerLevelIsTheLastVoltageTimesTheLastCurrentOfTheSensor) {
    SetSensorCodes(2, 0x800, 0x1000);
    const std::string voltage = Query(Id::IdQueryVoltage, 2);
    ASSERT_EQ(HexValue(voltage), 0x800);
    const std::string current = Query(Id::IdQueryCurrent, 2);
    ASSERT_EQ(HexValue(current), 0x1000);

    EXPECT_EQ(Text(Id::IdPowerLevelReply),
              Shown(PowerText(HexValue(voltage) * kVoltsPerCount,
                              HexValue(current) * kMilliampsPerCount)));
    EXPECT_EQ(Text(Id::IdPowerLevelSensor), QStringLiteral("2"));
    EXPECT_EQ(Text(Id::IdVoltageReply), Shown(VoltageText(voltage)));
    EXPECT_EQ(Text(Id::IdCurrentReply), Shown(MilliampText(current)));
}

TEST_F(QuerySectionTest, ACurrentReadBeforeAnyVoltageGivesZeroPower) {
    const std::string current = Query(Id::IdQueryCurrent, 5);
    ASSERT_NE(HexValue(current), 0);
    EXPECT_EQ(Text(Id::IdPowerLevelReply),
              Shown(PowerText(0.0, HexValue(current) * kMilliampsPerCount)));
    EXPECT_EQ(Text(Id::IdPowerLevelSensor), QStringLiteral("5"));
}

TEST_F(QuerySectionTest, ValuesOfDifferentSensorsAreNeverCombined) {
    const std::string voltage1 = Query(Id::IdQueryVoltage, 1);
    const std::string current3 = Query(Id::IdQueryCurrent, 3);
    EXPECT_EQ(Text(Id::IdPowerLevelReply),
              Shown(PowerText(0.0, HexValue(current3) * kMilliampsPerCount)));
    EXPECT_EQ(Text(Id::IdPowerLevelSensor), QStringLiteral("3"));

    // Sensor 3's own voltage now joins its last current.
    const std::string voltage3 = Query(Id::IdQueryVoltage, 3);
    EXPECT_EQ(Text(Id::IdPowerLevelReply),
              Shown(PowerText(HexValue(voltage3) * kVoltsPerCount,
                              HexValue(current3) * kMilliampsPerCount)));
    EXPECT_EQ(window->LastVoltage(1), HexValue(voltage1) * kVoltsPerCount);
}

TEST_F(QuerySectionTest, ASilentCardGivesNoResponseWithTheNewSensorAndKeepsThePowerLevel) {
    Query(Id::IdQueryVoltage, 1);
    const QString power = Text(Id::IdPowerLevelReply);
    card->SetSilent(true);
    struct Row {
        int button, reply, sensor;
    };
    for (const Row row : {Row{Id::IdQueryVoltage, Id::IdVoltageReply, Id::IdVoltageSensor},
                          Row{Id::IdQueryCurrent, Id::IdCurrentReply, Id::IdCurrentSensor},
                          Row{Id::IdQueryTripPoint, Id::IdTripPointReply, Id::IdTripPointSensor}}) {
        SCOPED_TRACE(row.button);
        feedback.Clear();
        Query(row.button, 6);
        EXPECT_EQ(Text(row.reply), kNoResponse);
        EXPECT_EQ(Text(row.sensor), QStringLiteral("6"));
        EXPECT_EQ(Text(Id::IdPowerLevelReply), power);
        EXPECT_EQ(Text(Id::IdPowerLevelSensor), QStringLiteral("1"));
        EXPECT_EQ(feedback.Beeps(), 1);
        EXPECT_FALSE(window->Link()->IsPending());
    }
    EXPECT_EQ(window->LastVoltage(6), 0.0);
    EXPECT_EQ(window->LastCurrent(6), 0.0);
    card->SetSilent(false);
}

TEST_F(QuerySectionTest, LowerCaseDigitsConvertAndAReplyWithoutDigitsGivesZero) {
    SetSensorCodes(4, 0xABC, 0x1000);
    card->SetLowerCaseHex(true);
    const std::string lower = Query(Id::IdQueryVoltage, 4);
    ASSERT_NE(lower.find_first_of("abcdef"), std::string::npos) << lower;
    EXPECT_EQ(Text(Id::IdVoltageReply), Shown(VoltageText(lower)));
    card->SetLowerCaseHex(false);

    // A leading letter that is no digit: the conversion stops at once.
    card->SetGarbage("Z", "");
    const std::string garbled = Query(Id::IdQueryCurrent, 4);
    ASSERT_EQ(HexValue(garbled), 0);
    EXPECT_EQ(Text(Id::IdCurrentReply), Shown(MilliampText(garbled)));
    EXPECT_EQ(window->LastCurrent(4), 0.0);
    card->SetGarbage("", "");
}

TEST_F(QuerySectionTest, ReadingsAreShownByteForByte) {
    const std::string degree = "\xB0";
    card->SetGarbage("", degree);
    const std::string voltage = Query(Id::IdQueryVoltage, 0);
    ASSERT_TRUE(voltage.ends_with(degree));
    EXPECT_EQ(Text(Id::IdVoltageReply), Shown(VoltageText(voltage)));
    const std::string trip = Query(Id::IdQueryTripPoint, 0);
    EXPECT_EQ(Text(Id::IdTripPointReply), Shown(MilliampText(trip)));
    card->SetGarbage("", "");
}

// --- A reply after the window's wait

struct LateReplyCase {
    const char* name;
    const char* command;  // as the card reads it
    int button;
    int sensor;         // chosen in "Select Sensor"; -1 for none
    int reply;          // the field that says "No Response."; -1 for none
    const char* event;  // the command's event in the service record
    const char* late;   // the card's late line
};

void PrintTo(const LateReplyCase& c, std::ostream* out) {
    *out << c.name;
}

class LateReplyTest : public QuerySectionTest, public ::testing::WithParamInterface<LateReplyCase> {
  protected:
    void Send(const LateReplyCase& c) {
        if (c.sensor < 0) {
            Click(c.button);
            return;
        }
        ModalDialogAnswerer answerer(ChooseSensor(c.sensor));
        Click(c.button);
        EXPECT_TRUE(answerer.Answered());
    }

    static std::vector<QJsonObject> Events(const VisitRecord& record, const char* kind) {
        std::vector<QJsonObject> found;
        for (const QJsonObject& event : record.Events()) {
            if (event.value(QStringLiteral("event")).toString() == QLatin1String(kind)) {
                found.push_back(event);
            }
        }
        return found;
    }
};

// The card answers 1.4 s after the command, the window waits 1000 ms: "No Response.". The late
// line is dropped when the next command goes out, noted in the trace and recorded, and the
// next two queries show their own answers.
TEST_P(LateReplyTest, TheLateReplyIsDroppedNotedAndRecordedAndTheNextQueriesAreRight) {
    const LateReplyCase& c = GetParam();
    card->SetNoise(0, 1);
    card->SetSensor(0, {.voltageCode = 0x7FF, .tripCode = 0x0ABC, .currentLevel = 0x1000});
    card->SetSensor(1, {.voltageCode = 0x7FF, .tripCode = 0x0DEF, .currentLevel = 0x1000});
    for (int sensor = 2; sensor < 8; ++sensor) {
        card->SetSensor(sensor, {.trained = false});
    }
    cardsim::CardOptions options = card->Options();
    options.commandDelays[c.command] = std::chrono::milliseconds(1400);
    card->SetOptions(options);
    trace::ProtocolTrace trace;
    windowtest::BehindTheLink behind("COM2");
    ASSERT_TRUE(behind.IsAttached());

    card->ClearRecord();
    Send(c);
    if (c.reply >= 0) {
        EXPECT_EQ(Text(c.reply), kNoResponse);
    }
    EXPECT_EQ(feedback.Beeps(), 1);
    const std::vector<QJsonObject> unanswered = Events(window->Record(), c.event);
    ASSERT_EQ(unanswered.size(), 1u);
    EXPECT_TRUE(unanswered[0].value(QStringLiteral("no_response")).toBool());
    // The late line reaches the link before the next command goes out.
    const std::string late = std::string(c.late) + "\r\n";
    ASSERT_TRUE(card->WaitForSentContaining("\n", windowtest::kDeadline));
    ASSERT_EQ(card->Sent(), late);
    ASSERT_TRUE(behind.WaitForBytes(late.size()));

    Query(Id::IdQueryVoltage, 0);
    EXPECT_EQ(Text(Id::IdVoltageReply), QStringLiteral("0x7FF (4.999 V)"));
    Query(Id::IdQueryTripPoint, 0);
    EXPECT_EQ(Text(Id::IdTripPointReply), QStringLiteral("0x0ABC (0.839 mA)"));

    const std::vector<QJsonObject> dropped = Events(window->Record(), "late_reply");
    ASSERT_EQ(dropped.size(), 1u);
    const QString escaped = QString::fromLatin1(c.late) + QStringLiteral("\\r\\n");
    EXPECT_EQ(dropped[0].value(QStringLiteral("text")).toString(), escaped);
    EXPECT_EQ(dropped[0].value(QStringLiteral("port")).toString(), QStringLiteral("COM2"));
    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    ASSERT_FALSE(report.unanswered.empty());
    EXPECT_EQ(report.unanswered.back().what, QStringLiteral("Late reply dropped"));
    EXPECT_EQ(report.unanswered.back().reply, escaped);
    ASSERT_TRUE(trace.WaitUntilWritten(windowtest::kDeadline));
    const std::vector<std::string> lines = trace.History().Lines();
    const std::string note = "COM2 late reply dropped: " + escaped.toStdString();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.ends_with(note); }),
              1)
        << "no trace line ends with " << note;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, LateReplyTest,
    ::testing::Values(LateReplyCase{"CurrentOfSensor0", "0CQ", Id::IdQueryCurrent, 0,
                                    Id::IdCurrentReply, "query_current", "1000"},
                      LateReplyCase{"TripPointOfSensor1", "1TQ", Id::IdQueryTripPoint, 1,
                                    Id::IdTripPointReply, "query_trip_point", "0DEF"},
                      LateReplyCase{"Status", "SQ", Id::IdUpdate, -1, -1, "status",
                                    "FF 03 00 00 00"}),
    [](const ::testing::TestParamInfo<LateReplyCase>& info) { return info.param.name; });

// A late line still arriving when the next query goes out is dropped whole, up to its line
// feed: its tail is not that query's answer.
TEST_F(QuerySectionTest, ALateLineStillArrivingIsDroppedWholeAndTheNextQueryGetsItsOwn) {
    card->SetNoise(0, 1);
    card->SetSensor(0, {.voltageCode = 0x7FF, .tripCode = 0x0ABC, .currentLevel = 0x1000});
    cardsim::CardOptions options = card->Options();
    options.commandDelays["0CQ"] = std::chrono::milliseconds(1400);
    options.chunkSize = 1;
    options.chunkGap = std::chrono::milliseconds(60);
    card->SetOptions(options);
    card->ClearRecord();

    Query(Id::IdQueryCurrent, 0);
    EXPECT_EQ(Text(Id::IdCurrentReply), kNoResponse);
    ASSERT_TRUE(card->WaitForSentContaining("10", windowtest::kDeadline));
    ASSERT_EQ(card->Sent().find('\n'), std::string::npos) << "the late line is still arriving";
    Query(Id::IdQueryVoltage, 0);

    EXPECT_EQ(Text(Id::IdVoltageReply), QStringLiteral("0x7FF (4.999 V)"));
    std::vector<QString> dropped;
    for (const QJsonObject& event : window->Record().Events()) {
        if (event.value(QStringLiteral("event")).toString() == QStringLiteral("late_reply")) {
            dropped.push_back(event.value(QStringLiteral("text")).toString());
        }
    }
    EXPECT_EQ(dropped, std::vector<QString>{QStringLiteral("1000\\r\\n")});
}

// --- What a screen reader is told

class ReplyAnnouncementTest : public QuerySectionTest {
  protected:
    void SetUp() override {
        QuerySectionTest::SetUp();
        window->show();
        QApplication::setActiveWindow(window.get());
        // What discovery's reply still has to tell is told before the test begins.
        QCoreApplication::processEvents();
    }

    // Puts the focus on a button, as a technician tabbing to it does.
    QWidget* FocusOn(int id) {
        QWidget* button = window->Control(id);
        button->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(QApplication::focusWidget(), button);
        return button;
    }

    static QString Description(QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Description);
    }
};

// Told once, as a notification once the handler is done: a second telling (the button's
// description, read again as the focus comes back to it) made every reply heard twice.
TEST_F(ReplyAnnouncementTest, AReplyIsToldOnceAsANotification) {
    QWidget* goOnline = FocusOn(Id::IdGoOnline);
    ASSERT_FALSE(HasFailure());
    AccessibleEventRecorder events;
    Click(Id::IdGoOnline);

    const QString told = QStringLiteral("Response: ") + Shown(windowtest::LastAnswer(*card));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.notifications.empty(); }));
    EXPECT_EQ(events.notifications, std::vector<QString>{told});
    EXPECT_TRUE(events.Of(goOnline, QAccessible::DescriptionChanged).empty());
    EXPECT_EQ(Description(goOnline), QString());

    // The same reply again is told again: the field changes on the way.
    Click(Id::IdGoOffline);
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.notifications.size() == 2; }));
    Click(Id::IdGoOnline);
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.notifications.size() == 3; }));
    EXPECT_EQ(events.notifications.back(), told);
}

TEST_F(ReplyAnnouncementTest, AQueryReplyIsToldWithItsSensorAndThePowerLevelItGives) {
    FocusOn(Id::IdQueryVoltage);
    ASSERT_FALSE(HasFailure());
    AccessibleEventRecorder events;
    const std::string voltage = Query(Id::IdQueryVoltage, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.notifications.size() == 1; }));
    EXPECT_EQ(events.notifications[0], QStringLiteral("Voltage Response, sensor 3: ") +
                                           Shown(VoltageText(voltage)) +
                                           QStringLiteral(". Power Level (VI) Response: 0.0 mW"));

    Query(Id::IdQueryTripPoint, 5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.notifications.size() == 2; }));
    EXPECT_TRUE(
        events.notifications[1].startsWith(QStringLiteral("Trip Point Response, sensor 5: ")))
        << events.notifications[1].toStdString();
    EXPECT_FALSE(events.notifications[1].contains(QStringLiteral("Power Level")));
}

TEST_F(ReplyAnnouncementTest, TheDumpsReportLinesAreNotTold) {
    FocusOn(Id::IdStartStop);
    ASSERT_FALSE(HasFailure());
    Click(Id::IdStartStop);
    ASSERT_TRUE(window->IsDumpRunning());
    AccessibleEventRecorder events;
    for (int tick = 0; tick < 5; ++tick) {
        window->OnDumpTick();
    }
    QCoreApplication::processEvents();
    // Only a lamp that lights, or the dump's end should it have ended.
    for (const QString& told : events.notifications) {
        EXPECT_TRUE(told.startsWith(QStringLiteral("Spread lamp")) || told == "Start" ||
                    told.startsWith(QStringLiteral("Dump ended.")))
            << told.toStdString();
    }
    Click(Id::IdStartStop);
}

}  // namespace
}  // namespace opstest
