// The dump section end to end: "Start"/"Stop", the dump timer's ticks, the tube buttons,
// "Reset", "..." and the spread field, against the simulated card.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>
#include <cstdlib>
#include <sstream>

#include "BehindTheLink.h"
#include "DumpWindowFixture.h"
#include "ModalAnswer.h"
#include "SystemMessageBoxes.h"
#include "app/TerminationSignals.h"
#include "plot/CurrentPlotFeed.h"
#include "protocol/CommandSet.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"

namespace dumptest {
namespace {

using namespace std::chrono_literals;
using Id = MaintenanceDialog::ControlId;

class DumpTimerTest : public DumpWindowTest {
  protected:
    bool RadioChecked(int id) const { return window->ControlAs<QRadioButton>(id)->isChecked(); }
    void SetSpreadField(const QString& text) {
        window->ControlAs<QLineEdit>(Id::IdSpreadField)->setText(text);
    }
};

TEST_F(DumpTimerTest, StartLocksTheCommandButtonsAndRunsTimer101) {
    ASSERT_TRUE(CommandButtonsEnabled());
    window->RecordCurrentSample(Sample(0x100, 0x100, 0x100, 0x100));
    StartDump();

    EXPECT_EQ(Text(Id::IdStartStop), "Stop");
    EXPECT_TRUE(window->IsTimerActive(101));
    EXPECT_EQ(window->TimerPeriod(101), 910);
    EXPECT_FALSE(AnyCommandButtonEnabled());
    EXPECT_FALSE(Widget(Id::IdSpreadField)->isEnabled());
    EXPECT_TRUE(Widget(Id::IdDumpToFile)->isEnabled());
    EXPECT_TRUE(Widget(Id::IdBrowseDumpFile)->isEnabled());
    EXPECT_TRUE(Widget(Id::IdReset)->isEnabled());
    EXPECT_EQ(ExtremeLabels()[0], "") << "the start clears the extremes";
    EXPECT_EQ(RowCount(), 1) << "but not the list";
}

TEST_F(DumpTimerTest, EachTickHandsOneReportToTheRecorderAndShowsIt) {
    StartDump(/*rightTube=*/true);
    EXPECT_EQ(Headings(), (std::vector<QString>{"4 (mA)", "5 (mA)", "6 (mA)", "7 (mA)"}));

    const std::string reports[] = {Sample(0x1000, 0x2000, 0x3000, 0x4000),
                                   Sample(0x1001, 0x2002, 0x3003, 0x4004)};
    window->Link()->OnReceive(reports[0] + "\r\n" + reports[1] + "\r\n");
    for (int i = 0; i < 2; ++i) {
        window->OnDumpTick();
        EXPECT_EQ(Text(Id::IdResponse).toStdString(), reports[i]);
        EXPECT_EQ(RowCount(), i + 1);
    }
    EXPECT_EQ(Row(1)[2], Milliamps(0x3003));

    window->OnDumpTick();
    EXPECT_EQ(Text(Id::IdResponse), "") << "a silent tick blanks the field";
    EXPECT_TRUE(window->IsDumpRunning());

    // Part of a line is handed on as it is; the rest follows with the next tick.
    window->Link()->OnReceive("0100 02");
    window->OnDumpTick();
    EXPECT_EQ(Text(Id::IdResponse), "0100 02");
    window->Link()->OnReceive("00 0300 0400\r\n");
    window->OnDumpTick();
    EXPECT_EQ(Text(Id::IdResponse), "00 0300 0400");
    EXPECT_EQ(RowCount(), 4);
    EXPECT_EQ(Row(2),
              (std::vector<QString>{Milliamps(0x100), Milliamps(2), Milliamps(0), Milliamps(0)}));
}

TEST_F(DumpTimerTest, TheSimulatedCardsOwnReportsReachTheList) {
    card->SetDumpInterval(20ms);
    const std::size_t linesBefore = windowtest::SentLines(*card).size();
    StartDump();
    ASSERT_TRUE(card->WaitForSent(
        [&](const std::string& sent) {
            return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), '\n')) >=
                   linesBefore + 3;
        },
        windowtest::kDeadline));
    const std::vector<std::string> lines = windowtest::SentLines(*card);
    const std::string expected =
        lines[linesBefore] + lines[linesBefore + 1] + lines[linesBefore + 2];

    // A line may reach the link in parts; each tick hands on what has arrived.
    std::string shown;
    int reportsShown = 0;
    while (shown.size() < expected.size()) {
        ASSERT_TRUE(window->Link()->WaitForUnread(10000));
        window->OnDumpTick();
        const std::string text = Text(Id::IdResponse).toStdString();
        shown += text;
        reportsShown += text.empty() ? 0 : 1;
        ASSERT_TRUE(window->IsDumpRunning());
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(RowCount(), reportsShown);
    for (const std::string& report : {lines[linesBefore], lines[linesBefore + 1]}) {
        EXPECT_EQ(report.size(), 19u) << report;
    }
}

TEST_F(DumpTimerTest, StopDropsWhatTheCardStillSendsAndStartComesBackOnTheFourthTick) {
    StartDump();
    TickWithSample(Sample(1, 2, 3, 4));

    Click(Id::IdStartStop);
    ASSERT_TRUE(card->WaitForReceivedContaining(protocol::StopDumpText(), windowtest::kDeadline));
    EXPECT_TRUE(Widget(Id::IdSpreadField)->isEnabled()) << "enabled again at once";
    EXPECT_EQ(Text(Id::IdStartStop), "Stop");

    window->Link()->OnReceive(Sample(5, 6, 7, 8) + "\r\n" + Sample(9, 10, 11, 12) + "\r\n");
    for (int tick = 1; tick <= 3; ++tick) {
        window->OnDumpTick();
        EXPECT_EQ(Text(Id::IdStartStop), "Stop") << "tick " << tick;
        EXPECT_FALSE(AnyCommandButtonEnabled()) << "tick " << tick;
        EXPECT_TRUE(window->IsTimerActive(MaintenanceDialog::kDumpTimerId));
    }
    window->OnDumpTick();
    EXPECT_EQ(Text(Id::IdStartStop), "Start");
    EXPECT_FALSE(window->IsDumpRunning());
    EXPECT_FALSE(window->IsTimerActive(MaintenanceDialog::kDumpTimerId));
    EXPECT_TRUE(CommandButtonsEnabled());
    EXPECT_TRUE(Widget(Id::IdSpreadField)->isEnabled());
    EXPECT_EQ(RowCount(), 1) << "neither late line reached the recorder";
    EXPECT_FALSE(window->Link()->IsPending());

    // The link is idle and empty: the next command's reply is its own.
    ASSERT_TRUE(window->Link()->QueryVoltage(0));
    const std::string reply = window->WaitForReply(1000);
    EXPECT_FALSE(reply.empty());
    EXPECT_EQ(reply, windowtest::SentLines(*card).back());
}

// The card's report came after the last tick, before "Stop": it is the dump's own and goes
// wherever the others go. A line the card had only begun is dropped whole with the stop.
TEST_F(DumpTimerTest, AReportReceivedJustBeforeStopIsKeptEverywhere) {
    const auto path = folder / "dump.txt";
    DumpToFile(path);
    StartDump();
    TickWithSample(Sample(1, 2, 3, 4));

    windowtest::BehindTheLink behind("COM2");
    ASSERT_TRUE(behind.IsAttached());
    const std::string received = "1000 2000 3000 4000\r\n1100 20";
    card->Inject(received);
    ASSERT_TRUE(behind.WaitForBytes(received.size()));
    Click(Id::IdStartStop);
    ASSERT_TRUE(card->WaitForReceivedContaining(protocol::StopDumpText(), windowtest::kDeadline));
    EXPECT_EQ(Text(Id::IdResponse), "1000 2000 3000 4000");
    card->Inject("00 3000 4000\r\n");
    ASSERT_TRUE(behind.WaitForBytes(received.size() + 14));
    SilentTicks(4);
    ASSERT_FALSE(window->IsDumpRunning());

    const std::vector<QString> kept{Milliamps(0x1000), Milliamps(0x2000), Milliamps(0x3000),
                                    Milliamps(0x4000)};
    EXPECT_EQ(RowCount(), 2);
    EXPECT_EQ(Row(1), kept);
    EXPECT_EQ(porttest::ReadFile(path), FileLine({"0001", "0002", "0003", "0004"}) +
                                            FileLine({"1000", "2000", "3000", "4000"}));
    EXPECT_EQ(window->PlotFeed().Store().SampleCount(), 2u);
    QJsonArray recorded;
    for (const QJsonObject& event : window->Record().Events()) {
        if (event.value("event").toString() == "dump_sample") {
            recorded.append(event.value("milliamps"));
        } else if (event.value("event").toString() == "dump_end") {
            EXPECT_EQ(event.value("samples").toInt(), 2);
        }
    }
    ASSERT_EQ(recorded.size(), 2);
    EXPECT_NEAR(recorded[1].toArray()[3].toDouble(), 5.000, 0.001);
}

TEST_F(DumpTimerTest, ACardThatNeverReportsEndsTheDumpAfterFourSilentTicks) {
    card->SetSilent(true);
    Click(Id::IdStartStop);
    ASSERT_TRUE(window->IsDumpRunning());
    SilentTicks(3);
    EXPECT_TRUE(window->IsDumpRunning());
    window->OnDumpTick();
    EXPECT_FALSE(window->IsDumpRunning());
    EXPECT_EQ(Text(Id::IdStartStop), "Start");
    EXPECT_TRUE(CommandButtonsEnabled());
    EXPECT_TRUE(Widget(Id::IdSpreadField)->isEnabled()) << "also without Stop";
    EXPECT_EQ(RowCount(), 0);
}

TEST_F(DumpTimerTest, AReportBetweenSilentTicksStartsTheCountAgain) {
    StartDump();
    for (int round = 0; round < 3; ++round) {
        SilentTicks(3);
        TickWithSample(Sample(round, round, round, round));
    }
    EXPECT_TRUE(window->IsDumpRunning());
    SilentTicks(4);
    EXPECT_FALSE(window->IsDumpRunning());
    EXPECT_EQ(RowCount(), 3);
}

TEST_F(DumpTimerTest, StartAndStopAreRefusedWithABeep) {
    // A reply pending: "Start" beeps and nothing changes.
    card->SetSilent(true);
    ASSERT_TRUE(window->Link()->QueryVoltage(SensorIndex(0)));
    const std::string query = protocol::QueryVoltageText(0) + "\r";
    ASSERT_TRUE(card->WaitForReceived(
        [&](const std::string& received) { return received.ends_with(query); },
        windowtest::kDeadline));
    Click(Id::IdStartStop);
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_FALSE(window->IsDumpRunning());
    EXPECT_EQ(Text(Id::IdStartStop), "Start");
    window->Link()->Reset();

    // A second "Stop" while stopping is refused; the dump still ends on its ticks.
    card->SetSilent(false);
    StartDump();
    Click(Id::IdStartStop);
    Click(Id::IdStartStop);
    EXPECT_EQ(feedback.Beeps(), 2);
    SilentTicks(4);
    EXPECT_EQ(Text(Id::IdStartStop), "Start");
}

TEST_F(DumpTimerTest, ATubeClickDuringADumpBeepsAndRestoresTheCheckMark) {
    StartDump(/*rightTube=*/false);
    TickWithSample(Sample(1, 2, 3, 4));
    Click(Id::IdRightTube);
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_TRUE(RadioChecked(Id::IdLeftTube));
    EXPECT_FALSE(RadioChecked(Id::IdRightTube));
    EXPECT_EQ(Headings(), (std::vector<QString>{"0 (mA)", "1 (mA)", "2 (mA)", "3 (mA)"}));
    EXPECT_EQ(RowCount(), 1);

    Click(Id::IdLeftTube);
    EXPECT_EQ(feedback.Beeps(), 2) << "the running tube too";
    EXPECT_EQ(RowCount(), 1);
}

TEST_F(DumpTimerTest, ATubeClickOutsideADumpEmptiesTheListEvenForTheSelectedTube) {
    ASSERT_TRUE(RadioChecked(Id::IdLeftTube));
    window->RecordCurrentSample(Sample(0x1000, 0x1000, 0x1000, 0x1000));
    window->RecordCurrentSample(Sample(0x2000, 0x1000, 0x1000, 0x1000));
    ASSERT_EQ(LitLamps(), std::vector<int>{0});

    Click(Id::IdLeftTube);
    EXPECT_EQ(RowCount(), 0);
    EXPECT_TRUE(LitLamps().empty());
    EXPECT_EQ(ExtremeLabels()[0], "");
    EXPECT_EQ(feedback.Beeps(), 0);

    window->RecordCurrentSample(Sample(1, 1, 1, 1));
    Click(Id::IdRightTube);
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(Headings(), (std::vector<QString>{"4 (mA)", "5 (mA)", "6 (mA)", "7 (mA)"}));
    Click(Id::IdLeftTube);
    EXPECT_EQ(Headings(), (std::vector<QString>{"0 (mA)", "1 (mA)", "2 (mA)", "3 (mA)"}));
}

TEST_F(DumpTimerTest, ResetDuringADumpClearsTheExtremesAndRecordingGoesOn) {
    StartDump();
    TickWithSample(Sample(0x1000, 0x1000, 0x1000, 0x1000));
    TickWithSample(Sample(0x2000, 0x1000, 0x1000, 0x1000));
    ASSERT_EQ(LitLamps(), std::vector<int>{0});
    Click(Id::IdReset);
    EXPECT_TRUE(LitLamps().empty());
    EXPECT_EQ(ExtremeLabels()[0], "");
    TickWithSample(Sample(0x0300, 0x1000, 0x1000, 0x1000));
    EXPECT_EQ(ExtremeLabels()[0], Milliamps(0x300));
    EXPECT_EQ(ExtremeLabels()[4], Milliamps(0x300));
    EXPECT_EQ(RowCount(), 3);
    EXPECT_TRUE(window->IsDumpRunning());
}

TEST_F(DumpTimerTest, TheSpreadLimitIsReadFromTheFieldAtStart) {
    struct Case {
        QString field;
        double microamps;
    } cases[] = {{"5", std::strtod("5", nullptr)}, {"", 0.0}, {"12", std::strtod("12", nullptr)}};
    for (const Case& test : cases) {
        SetSpreadField(test.field);
        StartDump();
        EXPECT_DOUBLE_EQ(window->SpreadLimit(), test.microamps * 0.001) << test.field.toStdString();
        Click(Id::IdStartStop);
        SilentTicks(4);
        ASSERT_FALSE(window->IsDumpRunning());
    }

    // An empty field: any difference at all lights the lamp.
    SetSpreadField("");
    StartDump();
    TickWithSample(Sample(0x1000, 0x1000, 0x1000, 0x1000));
    TickWithSample(Sample(0x1001, 0x1000, 0x1000, 0x1000));
    EXPECT_EQ(LitLamps(), std::vector<int>{0});
}

TEST_F(DumpTimerTest, AFileErrorStopsTheDumpButKeepsTheSample) {
    DumpToFile(folder / "missing" / "dump.txt");
    StartDump();
    TickWithSample(Sample(1, 2, 3, 4));
    EXPECT_EQ(ShownMessages(), std::vector<QString>{FileErrorMessage(3)});
    ASSERT_TRUE(card->WaitForReceivedContaining(protocol::StopDumpText(), windowtest::kDeadline));
    EXPECT_EQ(RowCount(), 1);
    EXPECT_EQ(window->Link()->State(), ReplyState::DumpStopping);
    SilentTicks(4);
    EXPECT_EQ(Text(Id::IdStartStop), "Start");
    EXPECT_TRUE(CommandButtonsEnabled());
}

// The system's own box, and the dump timer's ticks while it is open.
TEST_F(DumpTimerTest, AFileErrorsWarningStaysOpenWhileTheStoppedDumpEndsOnItsOwnTicks) {
    const SystemMessageBoxes systemBoxes(feedback);
    DumpToFile(folder / "missing" / "dump.txt");
    StartDump();
    window->Link()->OnReceive(Sample(1, 2, 3, 4) + "\r\n");  // for the timer's first tick

    SeenMessageBox seen;
    bool endedWhileOpen = false;
    const ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box) {
            seen = SeenMessageBox::Of(*box);
            // Four silent ticks of 910 ms after the stop: well within 10 s.
            const bool ended = QTest::qWaitFor([&] { return !window->IsDumpRunning(); }, 10000);
            endedWhileOpen = ended && box->isVisible();
            Press(*box, QMessageBox::Ok);
        },
        20s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered(); }, 20000));

    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.caption, ExecutableBaseName());
    EXPECT_EQ(seen.text, FileErrorMessage(3));
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_TRUE(endedWhileOpen) << "the dump ends as soon as its ticks say so";
    EXPECT_EQ(Text(Id::IdStartStop), "Start");
    EXPECT_TRUE(CommandButtonsEnabled());
    EXPECT_EQ(RowCount(), 1);
    EXPECT_TRUE(card->WaitForReceivedContaining(protocol::StopDumpText(), windowtest::kDeadline));
}

TEST_F(DumpTimerTest, ADumpToAFileWritesEveryReport) {
    const auto path = folder / "dump.txt";
    DumpToFile(path);
    StartDump();
    TickWithSample("1a2b 3C4d 0000 ffff");
    TickWithSample(Sample(1, 2, 3, 4));
    const std::string written =
        FileLine({"1a2b", "3C4d", "0000", "ffff"}) + FileLine({"0001", "0002", "0003", "0004"});
    EXPECT_EQ(porttest::ReadFile(path), written);
    // Unchecking takes effect with the next report.
    window->ControlAs<QCheckBox>(Id::IdDumpToFile)->setChecked(false);
    TickWithSample(Sample(5, 6, 7, 8));
    EXPECT_EQ(RowCount(), 3);
    EXPECT_EQ(porttest::ReadFile(path), written);
}

TEST_F(DumpTimerTest, ATerminationSignalDuringADumpStopsItAndLeavesTheCardOnline) {
    StartDump();
    TickWithSample(Sample(1, 2, 3, 4));
    ASSERT_TRUE(card->DumpRunning());
    const TerminationSignals termination([this](int) { window->Terminate(); });
    ASSERT_TRUE(termination.IsInstalled());
    QTimer::singleShot(0, window.get(), [] { ::raise(SIGTERM); });
    EXPECT_EQ(window->exec(), QDialog::Rejected);
    EXPECT_FALSE(window->IsDumpRunning());
    EXPECT_FALSE(window->IsTimerActive(MaintenanceDialog::kDumpTimerId));
    EXPECT_EQ(feedback.Messages(), 0) << "no refusal to close";

    DestroyWindow();
    EXPECT_FALSE(card->DumpRunning());
    EXPECT_TRUE(card->Online());
    const std::vector<std::string> commands = card->Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[commands.size() - 2], protocol::StopDumpText());
    EXPECT_EQ(commands.back(), "N");
}

TEST_F(DumpTimerTest, BrowseFillsInTheChosenFileWhichNeedNotExist) {
    const QString chosen = QString::fromStdString((folder / "New Dump.txt").string());
    QString suffix;
    QStringList filters;
    {
        const ModalAnswer<QFileDialog> answer([&](QFileDialog* chooser) {
            suffix = chooser->defaultSuffix();
            filters = chooser->nameFilters();
            chooser->selectFile(chosen);
            static_cast<QDialog*>(chooser)->accept();  // QFileDialog's own, protected there
        });
        Click(Id::IdBrowseDumpFile);
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_EQ(suffix, "txt");
    EXPECT_EQ(filters, QStringList{"Text Document (*.txt)"});
    EXPECT_EQ(Text(Id::IdDumpFileName), chosen);
    EXPECT_FALSE(std::filesystem::exists(folder / "New Dump.txt"));

    {
        const ModalAnswer<QFileDialog> answer([](QFileDialog* chooser) { chooser->reject(); });
        Click(Id::IdBrowseDumpFile);
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_EQ(Text(Id::IdDumpFileName), chosen) << "a cancelled chooser changes nothing";
}

}  // namespace
}  // namespace dumptest
