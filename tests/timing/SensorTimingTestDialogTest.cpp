// The timing test dialog against the simulated card on a pseudo-terminal, its clock ticked
// directly.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "AccessibleCheck.h"
#include "AccessibleEventRecorder.h"
#include "FeedbackRecorder.h"
#include "dialogs/HexReadingEdit.h"
#include "dialogs/ReplyWaiter.h"
#include "dialogs/SensorTimingTestDialog.h"
#include "platform/Tick.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

using std::chrono::milliseconds;
using Dialog = SensorTimingTestDialog;

constexpr milliseconds kGenerous{5000};
constexpr int kFinishTick = 8 * 60 + 15;

// The main window's wait: polls the link until it returns text or the time is up, then
// resets it. Records every wait asked for.
class LinkReplyWaiter : public ReplyWaiter {
  public:
    explicit LinkReplyWaiter(InstrumentLink& link) : link_(link) {}

    std::string WaitForReply(std::uint32_t timeout) override {
        timeouts.push_back(timeout);
        const std::uint32_t start = platform::TickCount();
        for (;;) {
            std::string reply = link_.ReadReply();
            if (!reply.empty()) {
                return reply;
            }
            const std::uint32_t elapsed = platform::TickCount() - start;
            if (elapsed >= timeout) {
                break;
            }
            link_.WaitForUnread(timeout - elapsed);
        }
        link_.Reset();
        return {};
    }

    std::vector<std::uint32_t> timeouts;

  private:
    InstrumentLink& link_;
};

class SensorTimingTestDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        cardsim::CardOptions options;
        options.noiseAmplitude = 0;
        options.dumpInterval = milliseconds(60000);  // "LD" starts a dump on the card
        card_ = std::make_unique<cardsim::CardSimulator>(options);
        setenv("MERROWBY_COM1", card_->SlavePath().c_str(), 1);
        Open("COM1");
        ASSERT_TRUE(link_->HasPort());
    }
    void TearDown() override {
        dialog_.reset();
        waiter_.reset();
        link_.reset();
        GetPortManager()->CloseAll();
        card_.reset();
        unsetenv("MERROWBY_COM1");
        unsetenv("MERROWBY_COM3");
    }
    void Open(const std::string& portName) {
        dialog_.reset();
        waiter_.reset();
        link_ = std::make_unique<InstrumentLink>(portName);
        waiter_ = std::make_unique<LinkReplyWaiter>(*link_);
        dialog_ = std::make_unique<Dialog>(*link_, *waiter_);
        dialog_->show();
    }

    template <class Widget>
    Widget* Control(int id) const {
        return dialog_->ControlAs<Widget>(id);
    }
    QPushButton* StartStop() const { return Control<QPushButton>(Dialog::kStartStopId); }
    QRadioButton* LeftTube() const { return Control<QRadioButton>(Dialog::kLeftTubeId); }
    QRadioButton* RightTube() const { return Control<QRadioButton>(Dialog::kRightTubeId); }
    QTreeWidget* List() const { return Control<QTreeWidget>(Dialog::kReadingsId); }
    HexReadingEdit* Field() const { return Control<HexReadingEdit>(Dialog::kReadingId); }
    QString Minutes() const { return Control<QLineEdit>(Dialog::kMinutesId)->text(); }
    QString Seconds() const { return Control<QLineEdit>(Dialog::kSecondsId)->text(); }
    QString Cell(int row, int column) const {
        QTreeWidgetItem* item = List()->topLevelItem(row);
        return item == nullptr ? QStringLiteral("<no row>") : item->text(column);
    }

    void Ticks(int count) {
        for (int tick = 0; tick < count; ++tick) {
            dialog_->OnClockTick();
        }
    }
    void PressEnter(QWidget* widget) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);
    }
    void TypeReading(const QString& digits) {
        Field()->setFocus();
        Field()->selectAll();
        QTest::keyClicks(Field(), digits);
        QTest::keyClick(Field(), Qt::Key_Return);
    }
    std::vector<std::string> CardCommands(std::size_t count) const {
        EXPECT_TRUE(card_->WaitForCommandCount(count, kGenerous));
        return card_->Commands();
    }

    FeedbackRecorder feedback_;
    std::unique_ptr<cardsim::CardSimulator> card_;
    std::unique_ptr<InstrumentLink> link_;
    std::unique_ptr<LinkReplyWaiter> waiter_;
    std::unique_ptr<Dialog> dialog_;
};

TEST_F(SensorTimingTestDialogTest, OpensStoppedOnTheLeftTube) {
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Sensor Timing Test"));
    EXPECT_TRUE(LeftTube()->isChecked());
    EXPECT_FALSE(RightTube()->isChecked());
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_FALSE(dialog_->IsClockTimerActive());
    EXPECT_EQ(StartStop()->text(), QStringLiteral("Start"));
    EXPECT_EQ(Minutes(), QStringLiteral("0"));
    EXPECT_EQ(Seconds(), QStringLiteral("00"));
    EXPECT_EQ(Field()->maxLength(), 6);

    QTreeWidget* list = List();
    ASSERT_EQ(list->columnCount(), 5);
    const QStringList headers{"t2-t1 (s)", "#0", "#1", "#2", "#3"};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(list->headerItem()->text(column), headers[column]);
        EXPECT_EQ(list->header()->sectionSize(column), list->contentsRect().width() / 5);
    }
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_TRUE(card_->Commands().empty());
}

TEST_F(SensorTimingTestDialogTest, ClockColonShowsBetweenTheTwoFields) {
    QLabel* face = nullptr;
    for (const ui::BuiltControl& control : dialog_->Controls()) {
        if (control.spec->text == QStringLiteral("        :")) {
            face = qobject_cast<QLabel*>(control.widget);
        }
    }
    ASSERT_NE(face, nullptr);
    const QFontMetrics metrics(face->font());
    // A negative indent means half an "x" for a framed label.
    const int indent =
        face->indent() >= 0 ? face->indent() : metrics.horizontalAdvance(QLatin1Char('x')) / 2;
    const int colonLeft = face->x() + face->frameWidth() + indent +
                          metrics.horizontalAdvance(QStringLiteral("        "));
    const int colonRight = colonLeft + metrics.horizontalAdvance(QLatin1Char(':'));
    const QRect minutes = Control<QLineEdit>(Dialog::kMinutesId)->geometry();
    const QRect seconds = Control<QLineEdit>(Dialog::kSecondsId)->geometry();
    EXPECT_GT(colonLeft, minutes.right());
    EXPECT_LE(colonRight, seconds.left());
}

TEST_F(SensorTimingTestDialogTest, FullRunEnablesEveryQuarterMinuteAndStopsAtEightFifteen) {
    StartStop()->click();
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_TRUE(dialog_->IsClockTimerActive());
    // The clock's timer as the event dispatcher runs it: every 1000 ms.
    const QList<QAbstractEventDispatcher::TimerInfo> timers =
        QAbstractEventDispatcher::instance()->registeredTimers(dialog_.get());
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(timers.front().interval, 1000);
    EXPECT_EQ(StartStop()->text(), QStringLiteral("Stop"));
    EXPECT_EQ(Minutes(), QStringLiteral("0"));
    EXPECT_EQ(Seconds(), QStringLiteral("00"));
    EXPECT_EQ(CardCommands(1), std::vector<std::string>{"LE"});
    EXPECT_EQ(waiter_->timeouts.size(), 1u);

    std::vector<std::string> expected{"LE"};
    for (int tick = 1; tick <= kFinishTick; ++tick) {
        dialog_->OnClockTick();
        const int minutes = tick / 60;
        const int seconds = tick % 60;
        char secondsText[8];
        std::snprintf(secondsText, sizeof secondsText, "%02d", seconds);
        ASSERT_EQ(Minutes(), QString::number(minutes)) << tick;
        ASSERT_EQ(Seconds(), QString::fromLatin1(secondsText)) << tick;
        if (tick == kFinishTick) {
            expected.push_back("LD");
        } else if (seconds % 15 == 0) {
            expected.push_back("LE");
        }
        // A command and its wait on exactly the quarter-minute ticks.
        ASSERT_EQ(waiter_->timeouts.size(), expected.size()) << tick;
        if (tick == 60) {
            EXPECT_EQ(Minutes(), QStringLiteral("1"));
            EXPECT_EQ(Seconds(), QStringLiteral("00"));
        }
        if (tick < kFinishTick) {
            ASSERT_TRUE(dialog_->IsRunning()) << tick;
            ASSERT_EQ(feedback_.Beeps(), 0) << tick;
        }
    }
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_FALSE(dialog_->IsClockTimerActive());
    EXPECT_EQ(StartStop()->text(), QStringLiteral("Start"));
    EXPECT_EQ(Minutes(), QStringLiteral("8"));
    EXPECT_EQ(Seconds(), QStringLiteral("15"));
    EXPECT_EQ(feedback_.Beeps(), 4);
    for (const std::uint32_t timeout : waiter_->timeouts) {
        EXPECT_EQ(timeout, 100u);
    }
    std::string wire;
    for (const std::string& command : expected) {
        wire += command + "\r";
    }
    const std::size_t waits = waiter_->timeouts.size();
    // The dump that "LD" starts on the card, stopped at once.
    expected.push_back("M");
    wire += "M";
    EXPECT_EQ(CardCommands(expected.size()), expected);
    EXPECT_EQ(card_->Received(), wire);
    EXPECT_FALSE(card_->DumpRunning());

    // A stray tick after the stop changes nothing.
    dialog_->OnClockTick();
    EXPECT_EQ(Seconds(), QStringLiteral("15"));
    EXPECT_EQ(waiter_->timeouts.size(), waits);
}

TEST_F(SensorTimingTestDialogTest, RightTubeStartAndStopKeepTheElapsedTime) {
    RightTube()->click();
    StartStop()->click();
    EXPECT_EQ(CardCommands(1), std::vector<std::string>{"RE"});
    EXPECT_TRUE(card_->Reporting(true));
    Ticks(20);
    StartStop()->click();
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_FALSE(dialog_->IsClockTimerActive());
    EXPECT_EQ(StartStop()->text(), QStringLiteral("Start"));
    EXPECT_EQ(Minutes(), QStringLiteral("0"));
    EXPECT_EQ(Seconds(), QStringLiteral("20"));
    EXPECT_EQ(CardCommands(4), (std::vector<std::string>{"RE", "RE", "RD", "M"}));
    EXPECT_EQ(waiter_->timeouts, (std::vector<std::uint32_t>{100, 100, 100}));
    EXPECT_EQ(feedback_.Beeps(), 0);

    // Start again from 0:00.
    StartStop()->click();
    EXPECT_EQ(Seconds(), QStringLiteral("00"));
    EXPECT_EQ(CardCommands(5).back(), "RE");
}

TEST_F(SensorTimingTestDialogTest, CommandRefusedWhileAReplyIsPendingSkipsTheWait) {
    ASSERT_TRUE(link_->QueryStatus());  // its reply is never collected: stays pending
    StartStop()->click();
    EXPECT_TRUE(dialog_->IsRunning());
    Ticks(30);
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_EQ(Seconds(), QStringLiteral("30"));
    StartStop()->click();
    EXPECT_TRUE(waiter_->timeouts.empty());
    EXPECT_EQ(feedback_.Beeps(), 0);
    EXPECT_TRUE(card_->WaitForReceivedContaining("SQ\r", kGenerous));
    EXPECT_EQ(card_->Received(), "SQ\r");
    link_->Reset();
}

TEST_F(SensorTimingTestDialogTest, CommandRefusedWithoutAPortSkipsTheWait) {
    setenv("MERROWBY_COM3", "/nonexistent/merrowby-timing-line", 1);
    Open("COM3");
    ASSERT_FALSE(link_->HasPort());
    StartStop()->click();
    EXPECT_TRUE(dialog_->IsRunning());
    Ticks(15);
    EXPECT_EQ(Seconds(), QStringLiteral("15"));
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_TRUE(waiter_->timeouts.empty());
    EXPECT_EQ(feedback_.Beeps(), 0);
    StartStop()->click();
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_TRUE(waiter_->timeouts.empty());
}

TEST_F(SensorTimingTestDialogTest, TubesAndDoneAreLockedWhileRunning) {
    TypeReading("0FFF00");
    StartStop()->click();
    Ticks(5);
    const int beepsBefore = feedback_.Beeps();

    RightTube()->click();
    EXPECT_TRUE(LeftTube()->isChecked());
    EXPECT_FALSE(RightTube()->isChecked());
    EXPECT_TRUE(dialog_->IsLeftTube());
    LeftTube()->click();  // the selected one: refused the same way
    EXPECT_TRUE(LeftTube()->isChecked());
    EXPECT_EQ(feedback_.Beeps(), beepsBefore + 2);
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("0x0FFF00"));
    EXPECT_EQ(Seconds(), QStringLiteral("05"));
    EXPECT_EQ(List()->headerItem()->text(1), QStringLiteral("#0"));

    Control<QPushButton>(Dialog::kDoneId)->click();
    EXPECT_EQ(feedback_.Beeps(), beepsBefore + 3);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(dialog_->focusWidget(), StartStop());
    QTest::keyClick(List(), Qt::Key_Escape);
    EXPECT_EQ(feedback_.Beeps(), beepsBefore + 4);
    dialog_->close();
    EXPECT_EQ(feedback_.Beeps(), beepsBefore + 5);
    EXPECT_TRUE(dialog_->isVisible());

    // Enter on the focused Stop button stops; then Done closes with the cancel result.
    PressEnter(StartStop());
    EXPECT_FALSE(dialog_->IsRunning());
    Control<QPushButton>(Dialog::kDoneId)->click();
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_EQ(feedback_.Beeps(), beepsBefore + 5);
}

TEST_F(SensorTimingTestDialogTest, TubeClickWhileStoppedClearsTableAndClock) {
    TypeReading("0FFF00");
    TypeReading("1FFF10");
    StartStop()->click();
    Ticks(7);
    StartStop()->click();
    ASSERT_EQ(Seconds(), QStringLiteral("07"));

    LeftTube()->click();  // the tube already selected
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Minutes(), QStringLiteral("0"));
    EXPECT_EQ(Seconds(), QStringLiteral("00"));
    EXPECT_EQ(dialog_->Table().ReadingIndex(), -1);

    TypeReading("200100");
    RightTube()->click();
    EXPECT_FALSE(dialog_->IsLeftTube());
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    const QStringList headers{"t2-t1 (s)", "#4", "#5", "#6", "#7"};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(List()->headerItem()->text(column), headers[column]);
    }
    // The next reading opens a fresh first row: the first row never shows an interval.
    for (const char* reading : {"300000", "000000", "100000", "200000"}) {
        TypeReading(QString::fromLatin1(reading));
    }
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("N/A"));
    EXPECT_EQ(feedback_.Beeps(), 0);
}

TEST_F(SensorTimingTestDialogTest, EnterRecordsReadingsIntoRowsOfFour) {
    TypeReading("0fff00");  // lower case
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("N/A"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("0x0FFF00"));
    EXPECT_EQ(Field()->text(), QStringLiteral("1FFF00"));

    // The prefilled text is taken as it stands.
    QTest::keyClick(Field(), Qt::Key_Return);
    EXPECT_EQ(Cell(0, 2), QStringLiteral("0x1FFF00"));
    EXPECT_EQ(Field()->text(), QStringLiteral("2FFF00"));
    TypeReading("BABCDE");  // slot 3 of the third reading position
    EXPECT_EQ(Cell(0, 4), QStringLiteral("0xBABCDE"));
    EXPECT_EQ(Field()->text(), QStringLiteral("8ABCDE"));
    TypeReading("3ABCDE");
    EXPECT_EQ(Cell(0, 4), QStringLiteral("0x3ABCDE"));  // second slot-3 reading overwrote
    EXPECT_EQ(Cell(0, 0), QStringLiteral("N/A"));       // first row: no interval
    EXPECT_EQ(Field()->selectedText(), QStringLiteral("3ABCDE"));
    EXPECT_EQ(Field()->text(), QStringLiteral("3ABCDE"));

    // A second Enter on the untouched reading that closed the row is not a new reading.
    QTest::keyClick(Field(), Qt::Key_Return);
    EXPECT_EQ(feedback_.Beeps(), 1);
    EXPECT_EQ(List()->topLevelItemCount(), 1);

    // The next digit typed replaces the whole text.
    QTest::keyClicks(Field(), QStringLiteral("0"));
    EXPECT_EQ(Field()->text(), QStringLiteral("0"));
    QTest::keyClicks(Field(), QStringLiteral("00100"));
    QTest::keyClick(Field(), Qt::Key_Return);
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(Cell(1, 0), QStringLiteral("N/A"));
    EXPECT_EQ(Field()->text(), QStringLiteral("100100"));
    QTest::keyClick(Field(), Qt::Key_Return);
    QTest::keyClick(Field(), Qt::Key_Return);
    QTest::keyClick(Field(), Qt::Key_Return);
    const unsigned ms = (0x000100u - 0x0FFF00u) & 0xFFFFFu;
    char expected[32];
    std::snprintf(expected, sizeof expected, "%u.%03u", ms / 1000, ms % 1000);
    EXPECT_EQ(Cell(1, 0), QString::fromLatin1(expected));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("0.512"));
    EXPECT_EQ(Cell(1, 4), QStringLiteral("0x300100"));
    EXPECT_EQ(feedback_.Beeps(), 1);
    EXPECT_TRUE(dialog_->isVisible());
}

// Enter only refills the field, which is all a screen reader would say: the reading recorded
// is told with its row and column, and a closing row's interval with it; the rows read by
// their headings.
TEST_F(SensorTimingTestDialogTest, EachReadingRecordedIsToldWithItsPlace) {
    AccessibleEventRecorder events;
    for (const char* reading : {"0fff00", "1FFF00", "2FFF00", "3FFF00", "000100"}) {
        TypeReading(QString::fromLatin1(reading));
    }
    for (int rest = 0; rest < 3; ++rest) {
        QTest::keyClick(Field(), Qt::Key_Return);
    }
    ASSERT_EQ(events.notifications.size(), 8u);
    EXPECT_EQ(events.notifications[0], QStringLiteral("Row 1, #0: 0x0FFF00."));
    EXPECT_EQ(events.notifications[4], QStringLiteral("Row 2, #0: 0x000100."));
    EXPECT_EQ(events.notifications[7], QStringLiteral("Row 2, #3: 0x300100. t2-t1 (s): 0.512."));
    EXPECT_EQ(List()->topLevelItem(1)->data(0, Qt::AccessibleTextRole).toString(),
              QStringLiteral("t2-t1 (s): 0.512"));
}

// After a reading the field holds the next one whole, so typed digits cannot go in: each is
// refused with a beep and told, the prefilled reading stays and Enter records it.
TEST_F(SensorTimingTestDialogTest, DigitsTypedOverThePrefilledReadingAreToldAsRefused) {
    TypeReading(QStringLiteral("000100"));
    ASSERT_EQ(Field()->text(), QStringLiteral("100100"));
    ASSERT_FALSE(Field()->hasSelectedText());
    feedback_.Clear();
    AccessibleEventRecorder events;
    QTest::keyClicks(Field(), QStringLiteral("100600"));
    EXPECT_EQ(Field()->text(), QStringLiteral("100100"));
    EXPECT_EQ(feedback_.Beeps(), 6);
    ASSERT_EQ(events.notifications.size(), 6u);
    EXPECT_EQ(events.notifications[0], QStringLiteral("1 refused. Already 6 digits: 100100."));
    EXPECT_EQ(events.notifications[4], QStringLiteral("0 refused. Already 6 digits: 100100."));
    QTest::keyClicks(Field(), QStringLiteral("g"));
    EXPECT_EQ(events.notifications.back(), QStringLiteral("g refused. Hexadecimal digits only."));
    QTest::keyClick(Field(), Qt::Key_Return);
    EXPECT_EQ(Cell(0, 2), QStringLiteral("0x100100"));
}

TEST_F(SensorTimingTestDialogTest, TheClockFollowsStartInTheTabOrderAndTheListTellsItsNewestRow) {
    QApplication::setActiveWindow(dialog_.get());
    TypeReading(QStringLiteral("000100"));
    StartStop()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(StartStop(), Qt::Key_Tab);
    EXPECT_EQ(dialog_->focusWidget(), Control<QLineEdit>(Dialog::kMinutesId));
    QTest::keyClick(dialog_->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dialog_->focusWidget(), Control<QLineEdit>(Dialog::kSecondsId));
    QTest::keyClick(dialog_->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dialog_->focusWidget(), Field());
    AccessibleEventRecorder events;
    QTest::keyClick(Field(), Qt::Key_Tab);
    ASSERT_EQ(dialog_->focusWidget(), List());
    EXPECT_TRUE(List()->topLevelItem(0)->isSelected());
    EXPECT_EQ(events.notifications,
              std::vector<QString>{"t2-t1 (s): N/A, #0: 0x000100, #1, #2, #3."});
}

TEST_F(SensorTimingTestDialogTest, RowWithoutSlotZeroReadingShowsZeroSeconds) {
    for (const char* reading : {"000500", "100600", "200700", "300800"}) {
        TypeReading(QString::fromLatin1(reading));
    }
    for (const char* reading : {"101500", "201600", "301700", "101800"}) {
        TypeReading(QString::fromLatin1(reading));
    }
    EXPECT_EQ(Cell(1, 0), QStringLiteral("0.000"));
    EXPECT_EQ(Cell(1, 1), QString());
}

TEST_F(SensorTimingTestDialogTest, EnterElsewhereNeverClosesTheDialog) {
    Field()->setFocus();
    QTest::keyClicks(Field(), QStringLiteral("12345"));
    QTest::keyClick(Field(), Qt::Key_Return);
    EXPECT_EQ(feedback_.Beeps(), 1);
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    QTest::keyClick(Field(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(feedback_.Beeps(), 2);

    PressEnter(List());
    PressEnter(LeftTube());
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_EQ(List()->topLevelItemCount(), 0);

    PressEnter(StartStop());
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_EQ(CardCommands(1), std::vector<std::string>{"LE"});
    PressEnter(StartStop());
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(feedback_.Beeps(), 2);

    QTest::keyClick(List(), Qt::Key_Escape);  // stopped: Escape is "Done"
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
}

}  // namespace

namespace {

TEST_F(SensorTimingTestDialogTest, TheSecondEnterGuardLastsOnlyWhileTheReadingStaysSelected) {
    for (const char* reading : {"000100", "100200", "200300", "300400"}) {
        TypeReading(QString::fromLatin1(reading));
    }
    ASSERT_EQ(Field()->selectedText(), QStringLiteral("300400"));
    QTest::keyClick(Field(), Qt::Key_Left, Qt::KeypadModifier);  // deselects, text unchanged
    ASSERT_FALSE(Field()->hasSelectedText());
    QTest::keyClick(Field(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(feedback_.Beeps(), 0);
    ASSERT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(Cell(1, 4), QStringLiteral("0x300400"));

    // A tube switch discards the row that had closed: its guard goes with it.
    for (const char* reading : {"100500", "200600", "300700"}) {
        TypeReading(QString::fromLatin1(reading));
    }
    ASSERT_EQ(Field()->selectedText(), QStringLiteral("300700"));
    RightTube()->click();
    ASSERT_EQ(List()->topLevelItemCount(), 0);
    Field()->setFocus();
    Field()->setCursorPosition(6);
    QTest::keyClick(Field(), Qt::Key_Return);
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(feedback_.Beeps(), 0);
}

// The readings list's column headings as a screen reader reads them: the table's column
// descriptions and its header cells.
void ExpectColumnHeadings(QTreeWidget* list, const std::vector<QString>& headings) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(accessible, nullptr);
    QAccessibleTableInterface* table = accessible->tableInterface();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->columnCount(), static_cast<int>(headings.size()));
    for (int column = 0; column < table->columnCount(); ++column) {
        const QString& heading = headings[static_cast<std::size_t>(column)];
        EXPECT_EQ(table->columnDescription(column), heading);
        QAccessibleInterface* header = accessible->child(column);
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
        EXPECT_EQ(header->text(QAccessible::Name), heading);
    }
}

TEST_F(SensorTimingTestDialogTest, AssistiveToolsReadEveryControlAndTheButtonNameFollowsItsText) {
    QLabel* clockFace = nullptr;
    QLabel* instruction = nullptr;
    for (QLabel* label : dialog_->findChildren<QLabel*>()) {
        (label->text().endsWith(QLatin1Char(':')) ? clockFace : instruction) = label;
    }
    using Role = QAccessible::Role;
    ExpectAccessible(LeftTube(), Role::RadioButton, QStringLiteral("Left Tube"), 1);
    ExpectAccessible(RightTube(), Role::RadioButton, QStringLiteral("Right Tube"), 0);
    ExpectAccessible(clockFace, Role::StaticText, QStringLiteral("        :"));
    ExpectAccessible(Control<QLineEdit>(Dialog::kMinutesId), Role::EditableText,
                     QStringLiteral("Minutes"));
    ExpectAccessible(Control<QLineEdit>(Dialog::kSecondsId), Role::EditableText,
                     QStringLiteral("Seconds"));
    ExpectAccessible(StartStop(), Role::Button, QStringLiteral("Start"));
    const QString prompt = QStringLiteral("Type 6 digit hexadecimal reading and hit ENTER.");
    ExpectAccessible(instruction, Role::StaticText, prompt);
    ExpectAccessible(Field(), Role::EditableText, prompt);
    ExpectAccessible(List(), Role::Tree, QStringLiteral("Sensor Readings"));
    ExpectColumnHeadings(List(), {"t2-t1 (s)", "#0", "#1", "#2", "#3"});
    ExpectAccessible(Control<QPushButton>(Dialog::kDoneId), Role::Button, QStringLiteral("Done"));
    for (QGroupBox* group : dialog_->findChildren<QGroupBox*>()) {
        ExpectAccessible(group, Role::Grouping, group->title());
    }

    QApplication::setActiveWindow(dialog_.get());
    StartStop()->setFocus();
    AccessibleEventRecorder events;
    StartStop()->click();
    ExpectAccessible(StartStop(), Role::Button, QStringLiteral("Stop"));
    EXPECT_EQ(events.notifications, std::vector<QString>{"Stop"}) << "the new text is told";
    StartStop()->click();
    ExpectAccessible(StartStop(), Role::Button, QStringLiteral("Start"));
    // Selected through assistive tools, a tube radio button runs its handler as a click does.
    TypeReading(QStringLiteral("000100"));
    QAccessible::queryAccessibleInterface(RightTube())
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(RightTube()->isChecked());
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(List()->headerItem()->text(1), QStringLiteral("#4"));
    ExpectColumnHeadings(List(), {"t2-t1 (s)", "#4", "#5", "#6", "#7"});
}

}  // namespace
