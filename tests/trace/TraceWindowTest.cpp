// The trace of the real window's discovery and a query against the simulated card, entry by
// entry, and the trace window that shows it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdlib>

#include "AccessibleEventRecorder.h"
#include "ConnectedWindow.h"
#include "PortTestSupport.h"
#include "TraceLines.h"
#include "app/ProgramStart.h"
#include "app/ProtocolTraceWindow.h"
#include "protocol/InstrumentLink.h"

namespace {

using namespace windowtest;
using Lines = std::vector<std::string>;

// The lines a card has written, each with its line feed, as the trace shows bytes.
Lines CardLines(const cardsim::CardSimulator& card) {
    Lines lines = tracetest::SplitLines(card.Sent(), true);
    std::transform(lines.begin(), lines.end(), lines.begin(), Printable);
    return lines;
}

class TraceWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"MERROWBY_LPT1", "MERROWBY_LPT2", "MERROWBY_LPT3"}) {
            ::unsetenv(name);
        }
        ports.Set(2, card.SlavePath());
        CommandLine commandLine;
        commandLine.traceFile = QString::fromStdString(TracePath());
        trace = StartTrace(commandLine);
        ASSERT_TRUE(trace->FileOpen());
        window = std::make_unique<MaintenanceDialog>();
        window->InitDialog();
        ASSERT_NE(window->Link(), nullptr);
        ASSERT_EQ(window->Link()->PortName(), "COM2");
    }
    void TearDown() override {
        window.reset();
        trace.reset();
    }
    std::string TracePath() const { return folder.File("trace.txt"); }
    Lines FileLines() const { return tracetest::SplitLines(porttest::ReadFile(TracePath())); }
    // The events assistive tools got from the window or its controls.
    static std::size_t EventsFrom(const QWidget& shown, const AccessibleEventRecorder& events) {
        return static_cast<std::size_t>(
            std::count_if(events.events.begin(), events.events.end(), [&](const auto& event) {
                auto* widget = qobject_cast<QWidget*>(event.object.data());
                return widget != nullptr && (widget == &shown || shown.isAncestorOf(widget));
            }));
    }
    // Queries that put three entries each into the trace, all of them taken in by the window.
    void TraceQueries(int count, const ProtocolTraceWindow& traceWindow) {
        const qsizetype before = traceWindow.Entries().size();
        for (int query = 0; query < count; ++query) {
            ASSERT_FALSE(QueryVoltage().empty());
        }
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return traceWindow.Entries().size() == before + 3 * count; }));
    }
    std::string QueryVoltage() {
        if (!window->Link()->QueryVoltage(3)) {
            return {};
        }
        return window->WaitForReply(1000);
    }

    porttest::TempDir folder;
    PortEnvironment ports;
    FeedbackRecorder feedback;
    cardsim::CardSimulator card;
    std::unique_ptr<trace::ProtocolTrace> trace;
    std::unique_ptr<MaintenanceDialog> window;
};

TEST_F(TraceWindowTest, TheMappingThenEveryWriteAndEveryReplyLineOfDiscoveryAndAQuery) {
    ASSERT_FALSE(QueryVoltage().empty());
    const Lines replies = CardLines(card);
    ASSERT_EQ(replies.size(), 5u) << "two lines each for N and M, one for the query";
    ASSERT_TRUE(trace->WaitUntilWritten(std::chrono::seconds(5)));

    const Lines expected{
        "COM1 = " + ports.AbsentPath() + " (environment)",
        "COM2 = " + card.SlavePath() + " (environment)",
        "COM3 = " + ports.AbsentPath() + " (environment)",
        "COM4 = " + ports.AbsentPath() + " (environment)",
        "LPT1 = /dev/lp0 (default)",
        "LPT2 = /dev/lp1 (default)",
        "LPT3 = /dev/lp2 (default)",
        "COM2 > N",
        "COM2 > \\r",
        "COM2 < " + replies[0],
        "COM2 < " + replies[1],
        "COM2 > M",
        "COM2 > \\r",
        "COM2 < " + replies[2],
        "COM2 < " + replies[3],
        "COM2 > 3VQ",
        "COM2 > \\r",
        "COM2 < " + replies[4],
    };
    EXPECT_EQ(tracetest::WithoutTimes(FileLines()), expected);
    EXPECT_EQ(trace->DroppedCount(), 0u);
}

TEST_F(TraceWindowTest, TheWindowMenuOpensANonModalWindowThatFollowsTheTrace) {
    ASSERT_NE(window->SystemMenu(), nullptr);
    const QList<QAction*> actions = window->SystemMenu()->actions();
    const auto about = std::find_if(actions.begin(), actions.end(), [](QAction* action) {
        return action->text() == QStringLiteral("&About Merrowby...");
    });
    ASSERT_NE(about, actions.end());
    ASSERT_NE(about + 1, actions.end());
    QAction* entry = *(about + 1);
    EXPECT_EQ(entry->text(), QStringLiteral("Protocol Trace..."));

    entry->trigger();
    auto* traceWindow = window->findChild<ProtocolTraceWindow*>();
    ASSERT_NE(traceWindow, nullptr);
    EXPECT_TRUE(traceWindow->isVisible());
    EXPECT_TRUE(traceWindow->isWindow());
    EXPECT_EQ(traceWindow->windowModality(), Qt::NonModal);
    ASSERT_TRUE(trace->WaitUntilWritten(std::chrono::seconds(5)));
    const auto fileLines = static_cast<qsizetype>(FileLines().size());
    EXPECT_TRUE(QTest::qWaitFor([&] { return traceWindow->Entries().size() == fileLines; }));
    EXPECT_EQ(traceWindow->Entries().size(), fileLines);

    QPushButton* clear = nullptr;
    for (auto* button : traceWindow->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Clear")) {
            clear = button;
        }
    }
    ASSERT_NE(clear, nullptr);
    clear->click();
    EXPECT_TRUE(traceWindow->Entries().isEmpty());

    // New entries come in while the window is open.
    ASSERT_FALSE(QueryVoltage().empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return traceWindow->Entries().size() == 3; }));
    const QStringList entries = traceWindow->Entries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(tracetest::WithoutTime(entries[0].toStdString()), "COM2 > 3VQ");
    EXPECT_EQ(tracetest::WithoutTime(entries[2].toStdString()), "COM2 < " + CardLines(card).back());

    entry->trigger();
    EXPECT_EQ(window->findChildren<ProtocolTraceWindow*>().size(), 1) << "the same window again";
    const std::string saved = folder.File("saved.txt");
    ASSERT_TRUE(traceWindow->SaveTo(QString::fromStdString(saved)));
    EXPECT_EQ(porttest::ReadFile(saved),
              (entries[0] + "\n" + entries[1] + "\n" + entries[2] + "\n").toStdString());
}

TEST_F(TraceWindowTest, CtrlTOpensTheTraceBesideTheWindowAndEscapeClosesIt) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_NE(window->SystemMenu(), nullptr);
    const QList<QAction*> actions = window->SystemMenu()->actions();
    const auto entry = std::find_if(actions.begin(), actions.end(), [](QAction* action) {
        return action->text() == QStringLiteral("Protocol Trace...");
    });
    ASSERT_NE(entry, actions.end());
    EXPECT_EQ((*entry)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T)) << "shown in the menu";

    QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
    auto* traceWindow = window->findChild<ProtocolTraceWindow*>();
    ASSERT_NE(traceWindow, nullptr);
    EXPECT_TRUE(traceWindow->isVisible());
    EXPECT_TRUE(window->screen()->availableGeometry().contains(traceWindow->frameGeometry()));

    traceWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == traceWindow; }));
    QTest::keyClick(traceWindow, Qt::Key_Escape);
    EXPECT_FALSE(traceWindow->isVisible());
    EXPECT_TRUE(window->isVisible()) << "Escape in the trace leaves the main window open";
}

// Each change of the list is an event for assistive tools, and a flood of them drowns what the
// program tells: a hidden trace window raises none, a shown one takes in a burst of entries
// with a few.
TEST_F(TraceWindowTest, AHiddenWindowRaisesNoEventsForNewEntriesAndAShownOneAFewPerBurst) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
    auto* traceWindow = window->findChild<ProtocolTraceWindow*>();
    ASSERT_NE(traceWindow, nullptr);
    ASSERT_TRUE(traceWindow->isVisible());
    traceWindow->close();
    ASSERT_FALSE(traceWindow->isVisible());
    // The close's own focus change is told once the main window is active again.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QCoreApplication::processEvents();

    AccessibleEventRecorder events;
    TraceQueries(20, *traceWindow);
    EXPECT_EQ(EventsFrom(*traceWindow, events), 0u) << "hidden";

    traceWindow->show();
    const auto* list = traceWindow->findChild<QPlainTextEdit*>();
    ASSERT_NE(list, nullptr);
    const auto shownLines = [&] { return list->toPlainText().count(QLatin1Char('\n')) + 1; };
    ASSERT_EQ(shownLines(), traceWindow->Entries().size()) << "shown as it opens";
    events.events.clear();
    TraceQueries(20, *traceWindow);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownLines() == traceWindow->Entries().size(); }));
    EXPECT_LE(EventsFrom(*traceWindow, events), 12u) << "for 60 entries";
}

}  // namespace
