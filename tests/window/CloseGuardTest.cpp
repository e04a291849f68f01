// The close guard on the three ways of closing, and the shutdown's last word to the card,
// after a close and after a termination signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ConnectedWindow.h"
#include "ModalAnswer.h"
#include "SystemMessageBoxes.h"
#include "app/TerminationSignals.h"
#include "dialogs/SensorTimingTestDialog.h"
#include "protocol/InstrumentLink.h"

extern char** environ;

namespace {

using namespace windowtest;
using Event = FeedbackRecorder::Event;

const QString kPendingQuestion = QStringLiteral(
    "There is an operation pending.\nIf you close before the operation is complete, you may not "
    "be able to run instrument without cycling power.\n\nDo you still wish to close?");

void PressKey(QWidget& widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

void ClickDone(MaintenanceDialog& window) {
    window.ControlAs<QPushButton>(MaintenanceDialog::IdDone)->click();
}

enum class Way { FrameClose, Escape, Done };

void CloseBy(MaintenanceDialog& window, Way way) {
    switch (way) {
        case Way::FrameClose:
            window.close();
            break;
        case Way::Escape:
            PressKey(window, Qt::Key_Escape);
            break;
        case Way::Done:
            ClickDone(window);
            break;
    }
}

class NoLinkCloseTest : public ::testing::TestWithParam<Way> {
  protected:
    PortEnvironment ports;
    FeedbackRecorder feedback;
};

TEST_P(NoLinkCloseTest, ClosesWithoutAQuestion) {
    MaintenanceDialog window;
    window.show();
    ASSERT_EQ(window.Link(), nullptr);
    feedback.Clear();
    CloseBy(window, GetParam());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), GetParam() == Way::Done ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_TRUE(feedback.events.empty());
}

INSTANTIATE_TEST_SUITE_P(AllWays, NoLinkCloseTest,
                         ::testing::Values(Way::FrameClose, Way::Escape, Way::Done));

class CloseGuardTest : public ConnectedWindowTest {
  protected:
    void MakeReplyPending() {
        ASSERT_TRUE(window->Link()->QueryStatus());
        ASSERT_TRUE(card->WaitForReceived([](const std::string& r) { return r.ends_with("SQ\r"); },
                                          kDeadline));
    }
};

TEST_F(CloseGuardTest, IdleLinkClosesEveryWayAndTheCardHearsNLast) {
    for (const Way way : {Way::FrameClose, Way::Escape}) {
        window->show();
        CloseBy(*window, way);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->result(), QDialog::Rejected);
    }
    window->show();
    PressKey(*window, Qt::Key_Return);  // Enter with no button focused: the OK action
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_TRUE(feedback.events.empty());

    card->ClearRecord();
    DestroyWindow();
    EXPECT_EQ(Printable(card->Received()), Printable("N\r"));
    EXPECT_TRUE(card->Online());
}

TEST_F(CloseGuardTest, PendingReplyAsksAndTheFrameCloseAsksTwice) {
    MakeReplyPending();
    window->show();

    // Frame close, No at the first question: open.
    feedback.answers = {false};
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(feedback.Questions(), 1);

    // Frame close, Yes and then No for the Cancel action that follows: still open.
    feedback.Clear();
    feedback.answers = {true, false};
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(feedback.Questions(), 2);

    // Escape and "Done" ask once; No keeps the window.
    for (const Way way : {Way::Escape, Way::Done}) {
        feedback.Clear();
        feedback.answers = {false};
        CloseBy(*window, way);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(feedback.Questions(), 1);
    }

    // Each question is preceded by a beep and has the pending text.
    for (std::size_t i = 0; i < feedback.events.size(); ++i) {
        if (feedback.events[i].kind == Event::Question) {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(feedback.events[i - 1].kind, Event::Beep);
            EXPECT_EQ(feedback.events[i].text, kPendingQuestion);
        }
    }

    // Frame close with Yes twice: closed.
    feedback.Clear();
    feedback.answers = {true, true};
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(feedback.Questions(), 2);
    EXPECT_EQ(window->result(), QDialog::Rejected);

    // With the reply still pending, the shutdown sends nothing.
    card->ClearRecord();
    DestroyWindow();
    EXPECT_EQ(card->Received(), "");
}

TEST_F(CloseGuardTest, DoneWithAPendingReplyAsksOnceAndYesCloses) {
    MakeReplyPending();
    window->show();
    feedback.answers = {true};
    ClickDone(*window);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(feedback.Questions(), 1);
    EXPECT_EQ(feedback.Beeps(), 1);
}

TEST_F(CloseGuardTest, RunningDumpRefusesEveryWay) {
    window->show();
    window->ControlAs<QPushButton>(MaintenanceDialog::IdStartStop)->click();
    if (!window->IsDumpRunning()) {
        GTEST_SKIP() << "the dump's Start handler is not in this build";
    }
    for (const Way way : {Way::FrameClose, Way::Escape, Way::Done}) {
        feedback.Clear();
        feedback.answers = {true, true};
        CloseBy(*window, way);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(feedback.Questions(), 0) << "no choice while the dump runs";
        EXPECT_EQ(feedback.Texts(Event::Message),
                  std::vector<QString>(1, QStringLiteral("You must stop Sensor Current Dump "
                                                         "before closing.")));
    }
}

// The system's own boxes: warnings captioned with the executable's name, OK for the refusal and
// Yes and No for the question, each centred on the window.
TEST_F(CloseGuardTest, TheRealBoxesAreCentredWarningsWithOkOrYesAndNo) {
    const SystemMessageBoxes systemBoxes(feedback);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QRect windowFrame = window->frameGeometry();
    auto closeWithAnswer = [&](QMessageBox::StandardButton answer) {
        SeenMessageBox seen;
        const ModalAnswer<QMessageBox> boxAnswer([&](QMessageBox* box) {
            seen = SeenMessageBox::Of(*box);
            Press(*box, answer);
        });
        ClickDone(*window);
        EXPECT_TRUE(boxAnswer.Answered());
        return seen;
    };
    auto expectCentred = [&](const SeenMessageBox& seen) {
        EXPECT_TRUE(CentredOn(seen.frame, windowFrame))
            << seen.frame.center().x() << "," << seen.frame.center().y() << " against "
            << windowFrame.center().x() << "," << windowFrame.center().y();
    };

    window->ControlAs<QPushButton>(MaintenanceDialog::IdStartStop)->click();
    ASSERT_TRUE(window->IsDumpRunning());
    const SeenMessageBox refusal = closeWithAnswer(QMessageBox::Ok);
    EXPECT_EQ(refusal.icon, QMessageBox::Warning);
    EXPECT_EQ(refusal.caption, ExecutableBaseName());
    EXPECT_EQ(refusal.text, QStringLiteral("You must stop Sensor Current Dump before closing."));
    EXPECT_EQ(refusal.buttons, QMessageBox::Ok);
    expectCentred(refusal);
    EXPECT_TRUE(window->isVisible());
    window->StopDumpForTermination();
    ASSERT_FALSE(window->IsDumpRunning());

    MakeReplyPending();
    const SeenMessageBox question = closeWithAnswer(QMessageBox::No);
    EXPECT_EQ(question.icon, QMessageBox::Warning);
    EXPECT_EQ(question.caption, ExecutableBaseName());
    EXPECT_EQ(question.text, kPendingQuestion);
    EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
    expectCentred(question);
    EXPECT_TRUE(window->isVisible()) << "No keeps the window open";
    EXPECT_EQ(closeWithAnswer(QMessageBox::Yes).buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_FALSE(window->isVisible()) << "Yes closes";
}

TEST_F(CloseGuardTest, TerminationEndsTheRunWithoutAskingAndPutsTheCardOnline) {
    MakeReplyPending();
    QTimer::singleShot(0, window.get(), [this] { window->Terminate(); });
    EXPECT_EQ(window->exec(), QDialog::Rejected);
    EXPECT_EQ(feedback.Questions(), 0);
    EXPECT_FALSE(window->IsTimerActive(MaintenanceDialog::kTrainingTimerId));

    card->ClearRecord();
    DestroyWindow();
    EXPECT_EQ(Printable(card->Received()), Printable("N\r"));
}

TEST_F(CloseGuardTest, ATerminationSignalDuringTheTimingTestSwitchesReportingOffFirst) {
    const TerminationSignals termination([this](int) { window->Terminate(); });
    ASSERT_TRUE(termination.IsInstalled());
    bool reportingDuringTest = false;
    const ModalAnswer<SensorTimingTestDialog> answer([&](SensorTimingTestDialog* test) {
        test->ControlAs<QPushButton>(SensorTimingTestDialog::kStartStopId)->click();
        reportingDuringTest = test->IsRunning() && card->Reporting(false);
        ::raise(SIGTERM);
    });
    QTimer::singleShot(0, window.get(), [this] { Click(MaintenanceDialog::IdSensorTimingTest); });
    EXPECT_EQ(window->exec(), QDialog::Rejected);
    ASSERT_TRUE(answer.Answered());
    ASSERT_TRUE(reportingDuringTest);
    EXPECT_EQ(feedback.Questions(), 0);

    DestroyWindow();
    EXPECT_FALSE(card->Reporting(false));
    EXPECT_TRUE(card->Online());
    const std::vector<std::string> commands = card->Commands();
    ASSERT_GE(commands.size(), 4u);
    // "LD" starts the card's dump as well, stopped by the lone "M".
    EXPECT_EQ(std::vector<std::string>(commands.end() - 4, commands.end()),
              (std::vector<std::string>{"LE", "LD", "M", "N"}));
    EXPECT_FALSE(card->DumpRunning());
}

bool WaitForReceived(cardsim::CardSimulator& card, const std::string& expected) {
    return card.WaitForReceived([&](const std::string& r) { return r == expected; },
                                std::chrono::seconds(30));
}

// The real program as a child process; killed outright when a test gives up on it.
class ProgramProcess {
  public:
    ProgramProcess() {
        char program[] = MERROWBY_PROGRAM;
        char* argv[] = {program, nullptr};
        spawned_ = posix_spawn(&pid_, program, nullptr, nullptr, argv, environ) == 0;
    }
    bool Spawned() const { return spawned_; }
    void Signal(int signal) const { ::kill(pid_, signal); }
    // The wait status once the process has ended; finished false kills it first.
    int Reap(bool finished) const {
        if (!finished) {
            ::kill(pid_, SIGKILL);
        }
        int status = 0;
        return ::waitpid(pid_, &status, 0) == pid_ ? status : -1;
    }

  private:
    pid_t pid_ = 0;
    bool spawned_ = false;
};

// The real program against a card on COM2, ended by a signal.
class TerminationSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(TerminationSignalTest, TheProgramPutsTheCardOnlineAndExits) {
    PortEnvironment ports;
    cardsim::CardSimulator card;
    ports.Set(2, card.SlavePath());
    const ProgramProcess program;
    ASSERT_TRUE(program.Spawned());

    // Discovery has taken the card offline: the program is starting its modal run.
    const bool probed = WaitForReceived(card, "N\rM\r");
    if (probed) {
        program.Signal(GetParam());
    }
    const bool released = probed && WaitForReceived(card, "N\rM\rN\r");
    const int status = program.Reap(released);
    ASSERT_NE(status, -1);
    ASSERT_TRUE(probed) << Printable(card.Received());
    EXPECT_TRUE(released) << Printable(card.Received());
    EXPECT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
    EXPECT_EQ(Printable(card.Received()), Printable("N\rM\rN\r"));
    EXPECT_TRUE(card.Online());
}

TEST(TerminationSignalsDuringShutdown, ASecondSigtermStillEndsWithTheCardOnline) {
    PortEnvironment ports;
    cardsim::CardSimulator card;
    ports.Set(2, card.SlavePath());
    const ProgramProcess program;
    ASSERT_TRUE(program.Spawned());

    const bool probed = WaitForReceived(card, "N\rM\r");
    // The card is slow to answer, so the shutdown is still waiting for it.
    card.SetReplyDelay(std::chrono::milliseconds(500));
    if (probed) {
        program.Signal(SIGTERM);
    }
    // The go-online command has begun to reach the card: the shutdown is under way.
    const bool shuttingDown =
        probed && card.WaitForReceived([](const std::string& r) { return r.size() > 4; },
                                       std::chrono::seconds(30));
    if (shuttingDown) {
        program.Signal(SIGTERM);
    }
    const bool released = shuttingDown && WaitForReceived(card, "N\rM\rN\r");
    const int status = program.Reap(released);
    ASSERT_NE(status, -1);
    ASSERT_TRUE(probed) << Printable(card.Received());
    ASSERT_TRUE(shuttingDown) << Printable(card.Received());
    EXPECT_TRUE(WIFEXITED(status)) << "ended by the second signal";
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
    EXPECT_EQ(Printable(card.Received()), Printable("N\rM\rN\r"));
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& info) {
                             return std::string(info.param == SIGTERM  ? "SIGTERM"
                                                : info.param == SIGINT ? "SIGINT"
                                                                       : "SIGHUP");
                         });

}  // namespace
