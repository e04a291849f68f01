// The command section's buttons against the simulated card: the dialog each opens answered as a
// technician would, the bytes the card received and what the response field shows.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <chrono>
#include <optional>
#include <thread>

#include "DialogAnswers.h"
#include "ExpectedText.h"
#include "FieldHistory.h"
#include "OperationsTest.h"
#include "dialogs/PowerLevelDialog.h"
#include "dialogs/SensorLevelDialog.h"
#include "dialogs/SensorTimingTestDialog.h"
#include "dialogs/StandardButtons.h"
#include "dialogs/TrainingBinDialog.h"
#include "platform/ui/TemplateDialog.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"

namespace opstest {
namespace {

using namespace std::chrono_literals;
using windowtest::LastAnswer;
using windowtest::Printable;
using Id = MaintenanceDialog::ControlId;

// --- Go Offline and Go Online

using GoOnlineOfflineTest = OperationsTest;

TEST_F(GoOnlineOfflineTest, EachSendsItsLetterShowsTheJoinedAnswerAndHoldsTheCheckMark) {
    // Discovery left the card offline.
    ASSERT_TRUE(IsChecked(Id::IdGoOffline));

    Click(Id::IdGoOnline);
    EXPECT_EQ(Printable(card->Received()), Printable("N\r"));
    EXPECT_TRUE(card->Online());
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastAnswer(*card)));
    EXPECT_TRUE(IsChecked(Id::IdGoOnline));
    EXPECT_FALSE(IsChecked(Id::IdGoOffline));

    card->ClearRecord();
    Click(Id::IdGoOffline);
    EXPECT_EQ(Printable(card->Received()), Printable("M\r"));
    EXPECT_FALSE(card->Online());
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastAnswer(*card)));
    EXPECT_TRUE(IsChecked(Id::IdGoOffline));
    EXPECT_FALSE(IsChecked(Id::IdGoOnline));
    EXPECT_TRUE(feedback.events.empty());
}

TEST_F(GoOnlineOfflineTest, ASilentCardGivesNoResponseAndTheCheckMarkMovesAllTheSame) {
    card->SetSilent(true);
    Click(Id::IdGoOnline);
    EXPECT_EQ(Printable(card->Received()), Printable("N\r"));
    EXPECT_EQ(Text(Id::IdResponse), kNoResponse);
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_TRUE(IsChecked(Id::IdGoOnline));
    EXPECT_FALSE(window->Link()->IsPending());
    card->SetSilent(false);
}

TEST_F(GoOnlineOfflineTest, GoOnlineWhileAReplyIsPendingOnlyBeeps) {
    MakeReplyPending();
    const QString response = Text(Id::IdResponse);

    Click(Id::IdGoOnline);

    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_EQ(feedback.events.size(), 1u);
    EXPECT_TRUE(IsChecked(Id::IdGoOnline)) << "the toolkit moves the check mark";
    EXPECT_FALSE(IsChecked(Id::IdGoOffline));
    EXPECT_FALSE(card->Online()) << "the card state is unchanged";
    EXPECT_EQ(Text(Id::IdResponse), response);
    EndPendingReply();
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

// --- Set Power Lvl

class SetPowerLevelTest : public OperationsTest, public ::testing::WithParamInterface<int> {};

// The list text shows the code: "6.5 mW (851Bh)" stands for 851B.
std::string CodeInListText(const QString& text) {
    const qsizetype open = text.indexOf(QLatin1Char('('));
    const qsizetype end = text.indexOf(QStringLiteral("h)"));
    return text.mid(open + 1, end - open - 1).toStdString();
}

TEST_P(SetPowerLevelTest, SendsTheCodeOfTheChosenEntryAndShowsTheReply) {
    QString chosen;
    ModalDialogAnswerer answerer([&chosen](ui::TemplateDialog& dialog) {
        auto* list = dialog.ControlAs<QComboBox>(PowerLevelDialog::IdLevelList);
        ASSERT_NE(list, nullptr);
        if (GetParam() >= 0) {
            list->setCurrentIndex(GetParam());
        }
        chosen = list->currentText();
        ClickButton(dialog, kIdOk);
    });
    Click(Id::IdSetPowerLevel);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.DialogTitle(), QStringLiteral("Set Target Power Level"));
    const std::string code = CodeInListText(chosen);
    ASSERT_EQ(code.size(), 4u) << chosen.toStdString();
    EXPECT_EQ(Printable(card->Received()), Printable(code + "P\r"));
    EXPECT_EQ(card->PowerLevel(), code);
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
    EXPECT_TRUE(feedback.events.empty());
}

// -1: OK without touching the list (the dialog's default entry).
INSTANTIATE_TEST_SUITE_P(ListEntries, SetPowerLevelTest, ::testing::Values(-1, 0, 3, 7));

// --- Set Voltage and Set Trip Point, one sensor

struct LevelCase {
    int sliderPosition;
    int sensor;
};

class SetLevelTest : public OperationsTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(SetLevelTest, SetVoltageSendsTheTruncatedCodeAndTheSensor) {
    const LevelCase level = GetParam();
    ModalDialogAnswerer answerer(ChooseLevel(level.sliderPosition, level.sensor));
    Click(Id::IdSetVoltage);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.DialogTitle(), QStringLiteral("Set Sensor Voltage"));
    const std::string command = SetVoltageCommand(level.sliderPosition, level.sensor);
    EXPECT_EQ(Printable(card->Received()), Printable(command));
    EXPECT_EQ(Format("%.3X", card->Sensor(level.sensor).voltageCode),
              command.substr(0, command.size() - 3));
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
    EXPECT_TRUE(feedback.events.empty());
}

TEST_P(SetLevelTest, SetTripPointSendsTheTruncatedCodeAndTheSensor) {
    const LevelCase level = GetParam();
    ModalDialogAnswerer answerer(ChooseLevel(level.sliderPosition, level.sensor));
    Click(Id::IdSetTripPoint);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.DialogTitle(), QStringLiteral("Set Sensor Trip Point"));
    const std::string command = SetTripPointCommand(level.sliderPosition, level.sensor);
    EXPECT_EQ(Printable(card->Received()), Printable(command));
    EXPECT_EQ(Format("%.4X", card->Sensor(level.sensor).tripCode),
              command.substr(0, command.size() - 3));
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
    EXPECT_TRUE(feedback.events.empty());
}

INSTANTIATE_TEST_SUITE_P(Levels, SetLevelTest,
                         ::testing::Values(LevelCase{1000, 7}, LevelCase{1, 0}, LevelCase{250, 3},
                                           LevelCase{500, 2}, LevelCase{0, 5}));

// --- Set Voltage and Set Trip Point, a typed level

struct TypedLevelCase {
    int button;
    const char* typed;
    int sensor;
    const char* sent;
    int okClicks = 1;  // a level the two decimals change takes a second OK, after a beep
};

class TypedLevelTest : public OperationsTest,
                       public ::testing::WithParamInterface<TypedLevelCase> {};

TEST_P(TypedLevelTest, SendsTheTypedLevelRoundedToHundredths) {
    const TypedLevelCase level = GetParam();
    ModalDialogAnswerer answerer(
        TypeLevel(QString::fromLatin1(level.typed), level.sensor, level.okClicks));
    Click(level.button);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_FALSE(answerer.ClosedByForce());
    EXPECT_EQ(Printable(card->Received()), Printable(level.sent));
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
    EXPECT_EQ(feedback.Beeps(), level.okClicks - 1);
    EXPECT_EQ(feedback.events.size(), static_cast<size_t>(level.okClicks - 1));
}

// 5.00 V is code 7FF (5 x 409.5, truncated), 4.567 V is sent as 4.57 V (1871, 74F), 2.5 mA is
// trip code 1FFF (2.5 x 3276.7).
INSTANTIATE_TEST_SUITE_P(
    Levels, TypedLevelTest,
    ::testing::Values(TypedLevelCase{Id::IdSetVoltage, "5.00", 2, "7FF2V\r"},
                      TypedLevelCase{Id::IdSetVoltage, "4.567", 3, "74F3V\r", 2},
                      TypedLevelCase{Id::IdSetVoltage, "10", 7, "FFF7V\r"},
                      TypedLevelCase{Id::IdSetTripPoint, "2.5", 0, "1FFF0T\r"}));

TEST_F(OperationsTest, OkOnAnEmptyValueFieldBeepsAndSendsNothing) {
    bool openAfterOk = false;
    int beepsAfterOk = 0;
    ModalDialogAnswerer answerer([&](ui::TemplateDialog& dialog) {
        dialog.ControlAs<QSlider>(SensorLevelDialog::IdSlider)->setValue(500);
        auto* field = dialog.ControlAs<QLineEdit>(SensorLevelDialog::IdValue);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        ASSERT_TRUE(field->text().isEmpty());
        ClickButton(dialog, kIdOk);
        openAfterOk = dialog.isVisible();
        beepsAfterOk = feedback.Beeps();
        ClickButton(dialog, kIdCancel);
    });
    Click(Id::IdSetVoltage);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(beepsAfterOk, 1);
    EXPECT_EQ(feedback.events.size(), 1u);
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

// --- Set Voltage and Set Trip Point, all sensors

using SetAllSensorsTest = OperationsTest;

TEST_F(SetAllSensorsTest, SetVoltageGoesThroughSensorsZeroToSevenShowingEachReply) {
    constexpr int kPosition = 333;
    FieldHistory history(Field(Id::IdResponse));
    ModalDialogAnswerer answerer(ChooseLevel(kPosition, std::nullopt));
    Click(Id::IdSetVoltage);

    ASSERT_TRUE(answerer.Answered());
    std::string expected;
    for (int sensor = 0; sensor < MaintenanceDialog::kSensorCount; ++sensor) {
        expected += SetVoltageCommand(kPosition, sensor);
    }
    EXPECT_EQ(Printable(card->Received()), Printable(expected));
    const std::vector<std::string> replies = CardLines();
    ASSERT_EQ(replies.size(), 8u);
    std::vector<QString> shown;
    for (const std::string& reply : replies) {
        shown.push_back(Shown(reply));
    }
    EXPECT_EQ(history.Texts(), shown);
    EXPECT_TRUE(feedback.events.empty());
}

TEST_F(SetAllSensorsTest, SetTripPointGoesThroughSensorsZeroToSeven) {
    constexpr int kPosition = 725;
    ModalDialogAnswerer answerer(ChooseLevel(kPosition, std::nullopt));
    Click(Id::IdSetTripPoint);

    ASSERT_TRUE(answerer.Answered());
    std::string expected;
    for (int sensor = 0; sensor < MaintenanceDialog::kSensorCount; ++sensor) {
        expected += SetTripPointCommand(kPosition, sensor);
    }
    EXPECT_EQ(Printable(card->Received()), Printable(expected));
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine())) << "sensor 7's reply";
}

TEST_F(SetAllSensorsTest, ACardAnsweringOnlySensorsZeroToTwoEndsTheRunAtSensorThree) {
    constexpr int kPosition = 480;
    constexpr int kAnswered = 3;
    card->SetSilentAfterCommands(kAnswered);
    FieldHistory history(Field(Id::IdResponse));
    ModalDialogAnswerer answerer(ChooseLevel(kPosition, std::nullopt));
    Click(Id::IdSetVoltage);

    ASSERT_TRUE(answerer.Answered());
    std::string expected;
    for (int sensor = 0; sensor <= kAnswered; ++sensor) {
        expected += SetVoltageCommand(kPosition, sensor);
    }
    EXPECT_EQ(Printable(card->Received()), Printable(expected)) << "sensors 4 to 7 are not sent";
    const std::vector<std::string> replies = CardLines();
    ASSERT_EQ(replies.size(), static_cast<std::size_t>(kAnswered));
    std::vector<QString> shown;
    for (const std::string& reply : replies) {
        shown.push_back(Shown(reply));
    }
    shown.push_back(QString::fromLatin1(kNoResponse));
    EXPECT_EQ(history.Texts(), shown);
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_EQ(feedback.events.size(), 1u);
    EXPECT_FALSE(window->Link()->IsPending());
    card->SetSilentAfterCommands(std::nullopt);
}

// Detaches the window's link from its port: with no listener left, the port's thread closes
// the device, and from then on the port takes no text.
void ReleaseDevice(InstrumentLink& link) {
    PortManager& ports = *GetPortManager();
    ASSERT_TRUE(ports.Close(link.PortName(), &link));
    const auto deadline = std::chrono::steady_clock::now() + windowtest::kDeadline;
    for (;;) {
        std::string name = link.PortName();
        std::string settings;
        if (!ports.GetSettings(name, settings)) {
            return;  // settings are only given for an open device
        }
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the device stays open";
        std::this_thread::sleep_for(1ms);
    }
}

TEST_F(SetAllSensorsTest, APortThatRefusesWritesGivesEightBeepsWithoutWaiting) {
    InstrumentLink& link = *window->Link();
    ReleaseDevice(link);
    ASSERT_FALSE(HasFatalFailure());
    const QString response = Text(Id::IdResponse);
    FieldHistory history(Field(Id::IdResponse));
    ModalDialogAnswerer answerer(ChooseLevel(100, std::nullopt));

    Click(Id::IdSetVoltage);
    const auto handlerEnd = std::chrono::steady_clock::now();

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(feedback.Beeps(), 8);
    EXPECT_EQ(feedback.events.size(), 8u);
    // Any reply wait would have run its full 1000 ms: nothing could answer.
    EXPECT_LT(handlerEnd - answerer.AnsweredAt(), 1000ms) << "no reply wait";
    EXPECT_TRUE(history.Texts().empty());
    EXPECT_EQ(Text(Id::IdResponse), response);
    EXPECT_FALSE(link.IsPending());

    // Attached again, the port opens the line anew; nothing had reached the card.
    ASSERT_NE(GetPortManager()->Open(link.PortName(), &link), nullptr);
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

// --- Adjust Trip Point

class AdjustTripPointTest : public OperationsTest, public ::testing::WithParamInterface<int> {};

TEST_P(AdjustTripPointTest, SendsTheSensorAndShowsTheReply) {
    const int sensor = GetParam();
    ModalDialogAnswerer answerer(ChooseSensor(sensor));
    Click(Id::IdAdjustTripPoint);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.DialogTitle(), QStringLiteral("Select Sensor"));
    EXPECT_EQ(Printable(card->Received()), Printable(Format("%dA\r", sensor)));
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
    EXPECT_TRUE(feedback.events.empty());
}

// Sensor 7 of the default card is untrained: its refusal is shown like any reply.
INSTANTIATE_TEST_SUITE_P(Sensors, AdjustTripPointTest, ::testing::Values(0, 3, 7));

// --- Save Training Data and Restore Training Data

struct BinCase {
    bool save;
    int bin;
};

class TrainingDataTest : public OperationsTest, public ::testing::WithParamInterface<BinCase> {};

TEST_P(TrainingDataTest, SendsTheBinInHexadecimalAndShowsTheReply) {
    const BinCase bin = GetParam();
    ModalDialogAnswerer answerer(ChooseEntry(TrainingBinDialog::IdBinList, bin.bin));
    Click(bin.save ? Id::IdSaveTrainingData : Id::IdRestoreTrainingData);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.DialogTitle(), QStringLiteral("Training Levels Storage Bin"));
    EXPECT_EQ(Printable(card->Received()),
              Printable(Format(bin.save ? "%.2XS\r" : "%.2XR\r", bin.bin)));
    EXPECT_EQ(card->Bin(bin.bin).has_value(), bin.save);
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
    EXPECT_TRUE(feedback.events.empty());
}

INSTANTIATE_TEST_SUITE_P(Bins, TrainingDataTest,
                         ::testing::Values(BinCase{true, 0}, BinCase{true, 10}, BinCase{true, 255},
                                           BinCase{false, 10}, BinCase{false, 255}));

TEST_F(OperationsTest, RestoreAfterSaveBringsTheSavedTripPointsBack) {
    const std::uint16_t saved = card->Sensor(2).tripCode;
    {
        ModalDialogAnswerer answerer(ChooseEntry(TrainingBinDialog::IdBinList, 42));
        Click(Id::IdSaveTrainingData);
        ASSERT_TRUE(answerer.Answered());
    }
    {
        ModalDialogAnswerer answerer(ChooseLevel(900, 2));
        Click(Id::IdSetTripPoint);
        ASSERT_TRUE(answerer.Answered());
    }
    ASSERT_NE(card->Sensor(2).tripCode, saved);
    card->ClearRecord();
    {
        ModalDialogAnswerer answerer(ChooseEntry(TrainingBinDialog::IdBinList, 42));
        Click(Id::IdRestoreTrainingData);
        ASSERT_TRUE(answerer.Answered());
    }
    EXPECT_EQ(Printable(card->Received()), Printable(Format("%.2XR\r", 42)));
    EXPECT_EQ(card->Sensor(2).tripCode, saved);
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
}

// --- Sensor Reports

struct ReportingCase {
    bool enable;
    bool rightTube;
};

class SensorReportsTest : public OperationsTest,
                          public ::testing::WithParamInterface<ReportingCase> {};

TEST_P(SensorReportsTest, SendsTubeAndChoiceThenAsksToCheckTheEnabledStatus) {
    const ReportingCase choice = GetParam();
    const std::string command =
        std::string(choice.rightTube ? "R" : "L") + (choice.enable ? "E" : "D") + "\r";
    ModalDialogAnswerer answerer(ChooseReporting(choice.enable, choice.rightTube));
    Click(Id::IdSensorReports);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.DialogTitle(), QStringLiteral("Enable or Disable Sensor Reporting"));
    EXPECT_EQ(Printable(card->Received()), Printable(command));
    EXPECT_EQ(card->Reporting(choice.rightTube), choice.enable);
    EXPECT_EQ(Text(Id::IdResponse), QStringLiteral("Check Enabled Status"));
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_EQ(feedback.events.size(), 1u);
    EXPECT_FALSE(window->Link()->IsPending());
}

INSTANTIATE_TEST_SUITE_P(Choices, SensorReportsTest,
                         ::testing::Values(ReportingCase{true, false}, ReportingCase{false, true},
                                           ReportingCase{true, true}, ReportingCase{false, false}));

TEST_F(OperationsTest, SensorReportsEndsTheSameWithASilentCard) {
    card->SetSilent(true);
    ModalDialogAnswerer answerer(PressOk());  // enable, left tube
    Click(Id::IdSensorReports);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(Printable(card->Received()), Printable("LE\r"));
    EXPECT_EQ(Text(Id::IdResponse), QStringLiteral("Check Enabled Status"));
    EXPECT_EQ(feedback.Beeps(), 1);
    card->SetSilent(false);
}

TEST_F(OperationsTest, SensorReportsDropsTheCardsAnswerSoTheNextCommandReadsItsOwn) {
    {
        ModalDialogAnswerer answerer(ChooseReporting(true, true));
        Click(Id::IdSensorReports);
        ASSERT_TRUE(answerer.Answered());
    }
    ASSERT_EQ(CardLines().size(), 1u) << "the card answered";
    card->ClearRecord();
    ModalDialogAnswerer answerer(ChooseSensor(4));
    Click(Id::IdAdjustTripPoint);
    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
}

// --- Sensor Timing Test

using SensorTimingTestButtonTest = OperationsTest;

TEST_F(SensorTimingTestButtonTest, WhileOnlineOpensTheTestAtOnceAndSendsNothing) {
    Click(Id::IdGoOnline);
    ASSERT_TRUE(card->Online());
    card->ClearRecord();
    const QString response = Text(Id::IdResponse);

    ModalDialogAnswerer answerer(PressButton(QStringLiteral("Done")));
    Click(Id::IdSensorTimingTest);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_FALSE(answerer.ClosedByForce());
    EXPECT_EQ(answerer.DialogClass(), QStringLiteral("SensorTimingTestDialog"));
    EXPECT_EQ(Text(Id::IdResponse), response);
    EXPECT_TRUE(IsChecked(Id::IdGoOnline));
    EXPECT_FALSE(IsChecked(Id::IdGoOffline));
    EXPECT_TRUE(feedback.events.empty());
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

TEST_F(SensorTimingTestButtonTest, WhileOfflinePutsTheCardOnlineForTheTestAndOfflineAfter) {
    ASSERT_TRUE(IsChecked(Id::IdGoOffline));
    FieldHistory history(Field(Id::IdResponse));
    bool onlineDuringTest = false;
    bool offlineCheckedDuringTest = true;
    std::string receivedBeforeTest;
    ModalDialogAnswerer answerer([&](ui::TemplateDialog& dialog) {
        onlineDuringTest = card->Online();
        offlineCheckedDuringTest = IsChecked(Id::IdGoOffline) || !IsChecked(Id::IdGoOnline);
        receivedBeforeTest = card->Received();
        ClickButton(dialog, QStringLiteral("Done"));
    });
    Click(Id::IdSensorTimingTest);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.DialogClass(), QStringLiteral("SensorTimingTestDialog"));
    EXPECT_EQ(Printable(receivedBeforeTest), Printable("N\r"));
    EXPECT_TRUE(onlineDuringTest);
    EXPECT_FALSE(offlineCheckedDuringTest) << "\"Go Online\" is checked during the test";
    EXPECT_EQ(Printable(card->Received()), Printable("N\rM\r"));
    const std::vector<std::string> lines = CardLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(history.Texts(), (std::vector<QString>{Shown(lines[0] + " " + lines[1]),
                                                     Shown(lines[2] + " " + lines[3])}));
    EXPECT_FALSE(card->Online());
    EXPECT_TRUE(IsChecked(Id::IdGoOffline));
    EXPECT_FALSE(IsChecked(Id::IdGoOnline));
    EXPECT_TRUE(feedback.events.empty());
}

TEST_F(SensorTimingTestButtonTest, WhileOfflineWithASilentCardTheTestDoesNotOpen) {
    card->SetSilent(true);
    ModalDialogAnswerer answerer(PressButton(QStringLiteral("Done")));
    Click(Id::IdSensorTimingTest);

    EXPECT_FALSE(answerer.Answered());
    EXPECT_EQ(Printable(card->Received()), Printable("N\r"));
    EXPECT_EQ(Text(Id::IdResponse), kNoResponse);
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_EQ(feedback.events.size(), 1u);
    EXPECT_TRUE(IsChecked(Id::IdGoOffline));
    EXPECT_FALSE(IsChecked(Id::IdGoOnline));
    EXPECT_FALSE(window->Link()->IsPending());
    card->SetSilent(false);
}

TEST_F(SensorTimingTestButtonTest, ACardSilentAfterTheTestLeavesGoOnlineChecked) {
    ModalDialogAnswerer answerer([&](ui::TemplateDialog& dialog) {
        card->SetSilent(true);
        ClickButton(dialog, QStringLiteral("Done"));
    });
    Click(Id::IdSensorTimingTest);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(Printable(card->Received()), Printable("N\rM\r"));
    EXPECT_EQ(Text(Id::IdResponse), kNoResponse);
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_TRUE(IsChecked(Id::IdGoOnline));
    EXPECT_FALSE(IsChecked(Id::IdGoOffline));
    card->SetSilent(false);
}

TEST_F(SensorTimingTestButtonTest, TheTestsClosingLDLeavesTheCardTakingCommandsForDoneAndExit) {
    bool streamingAfterStop = true;
    ModalDialogAnswerer answerer([&](ui::TemplateDialog& dialog) {
        ClickButton(dialog, SensorTimingTestDialog::kStartStopId);
        ClickButton(dialog, SensorTimingTestDialog::kStartStopId);
        // "LD" starts the card's dump as well: stopped by a lone "M" before anything else.
        EXPECT_TRUE(card->WaitForReceivedContaining("LE\rLD\rM", windowtest::kDeadline));
        streamingAfterStop = card->DumpRunning();
        ClickButton(dialog, QStringLiteral("Done"));
    });
    Click(Id::IdSensorTimingTest);

    ASSERT_TRUE(answerer.Answered());
    EXPECT_FALSE(streamingAfterStop);
    EXPECT_EQ(Printable(card->Received()), Printable("N\rLE\rLD\rMM\r"));
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastAnswer(*card)));
    EXPECT_TRUE(LastAnswer(*card).ends_with("OFFLINE"));
    EXPECT_TRUE(IsChecked(Id::IdGoOffline));
    DestroyWindow();
    EXPECT_TRUE(card->WaitForReceivedContaining("MM\rN\r", windowtest::kDeadline));
    EXPECT_TRUE(card->Online());
    EXPECT_FALSE(card->DumpRunning());
}

// --- Replies shown as they came

TEST_F(OperationsTest, RepliesAreShownByteForByte) {
    const std::string degree = "\xB0";
    card->SetGarbage("", degree);

    Click(Id::IdGoOnline);
    ASSERT_TRUE(LastAnswer(*card).ends_with(degree));
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastAnswer(*card)));

    ModalDialogAnswerer answerer(ChooseSensor(1));
    Click(Id::IdAdjustTripPoint);
    ASSERT_TRUE(answerer.Answered());
    ASSERT_TRUE(LastCardLine().ends_with(degree));
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
    card->SetGarbage("", "");
}

}  // namespace
}  // namespace opstest
