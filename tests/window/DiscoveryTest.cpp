// Instrument discovery over COM1 to COM4 against simulated cards, absent, silent and held
// devices. A silent port costs about three seconds by design, so few tests use one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "BehindTheLink.h"
#include "ConnectedWindow.h"
#include "platform/ExclusiveDevice.h"
#include "protocol/InstrumentLink.h"

namespace {

using namespace windowtest;
using Event = FeedbackRecorder::Event;

const std::string kProbe = "N\rM\r";               // go online, then go offline
const std::string kProbeAndRelease = "N\rM\rN\r";  // ... and the link's release

bool IsChecked(const MaintenanceDialog& window, int id) {
    return window.ControlAs<QRadioButton>(id)->isChecked();
}
QString ResponseText(const MaintenanceDialog& window) {
    return window.ControlAs<QLineEdit>(MaintenanceDialog::IdResponse)->text();
}

TEST(DiscoveryTest, FindsTheCardOnCom2AfterTheSilentCom1AndLeavesCom3AndCom4Alone) {
    PortEnvironment ports;
    FeedbackRecorder feedback;
    cardsim::CardSimulator com1(SilentCard());
    cardsim::CardSimulator com2;
    cardsim::CardSimulator com3(SilentCard());
    cardsim::CardSimulator com4(SilentCard());
    ports.Set(1, com1.SlavePath());
    ports.Set(2, com2.SlavePath());
    ports.Set(3, com3.SlavePath());
    ports.Set(4, com4.SlavePath());
    {
        MaintenanceDialog window;
        window.InitDialog();

        ASSERT_NE(window.Link(), nullptr);
        EXPECT_EQ(window.Link()->PortName(), "COM2");
        EXPECT_FALSE(window.Link()->IsPending());
        EXPECT_TRUE(feedback.events.empty()) << "no beep, no message";
        EXPECT_TRUE(IsChecked(window, MaintenanceDialog::IdGoOffline));
        EXPECT_FALSE(IsChecked(window, MaintenanceDialog::IdGoOnline));
        EXPECT_EQ(ResponseText(window).toStdString(), LastAnswer(com2));
        EXPECT_FALSE(com2.Online()) << "the card is left offline";

        EXPECT_EQ(Printable(com1.Received()), Printable(kProbeAndRelease));
        EXPECT_EQ(Printable(com2.Received()), Printable(kProbe));
        EXPECT_EQ(com3.Received(), "");
        EXPECT_EQ(com4.Received(), "");

        // "Done" closes the idle window without a question.
        window.ControlAs<QPushButton>(MaintenanceDialog::IdDone)->click();
        EXPECT_EQ(window.result(), QDialog::Accepted);
        EXPECT_EQ(feedback.Questions(), 0);
    }
    // The shutdown puts the card back online: "N" and a carriage return come last.
    EXPECT_EQ(Printable(com2.Received()), Printable(kProbe + "N\r"));
    EXPECT_TRUE(com2.Online());
    EXPECT_EQ(com3.Received(), "");
    EXPECT_EQ(com4.Received(), "");
}

TEST(DiscoveryTest, ACardThatAnswersOnlyGoOnlineIsNotFound) {
    PortEnvironment ports;
    FeedbackRecorder feedback;
    cardsim::CardSimulator com1(OnlineOnlyCard());
    ports.Set(1, com1.SlavePath());

    MaintenanceDialog window;
    window.InitDialog();

    EXPECT_EQ(window.Link(), nullptr);
    EXPECT_EQ(Printable(com1.Received()), Printable(kProbeAndRelease));
    ASSERT_EQ(feedback.events.size(), 2u);
    EXPECT_EQ(feedback.events[0].kind, Event::Beep);
    EXPECT_EQ(feedback.events[1].kind, Event::Message);
    EXPECT_EQ(feedback.events[1].text, QStringLiteral("No Sensor Card was found."));
    // The answer to "N" stays on show.
    EXPECT_TRUE(IsChecked(window, MaintenanceDialog::IdGoOnline));
    EXPECT_FALSE(IsChecked(window, MaintenanceDialog::IdGoOffline));
    const std::vector<std::string> lines = SentLines(com1);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(ResponseText(window).toStdString(), lines[0] + " " + lines[1]);
}

TEST(DiscoveryTest, SilentDevicesMeanNoSensorCard) {
    PortEnvironment ports;
    FeedbackRecorder feedback;
    cardsim::CardSimulator com3(SilentCard());
    ports.Set(3, com3.SlavePath());

    MaintenanceDialog window;
    window.InitDialog();

    EXPECT_EQ(window.Link(), nullptr);
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_EQ(feedback.Texts(Event::Message),
              std::vector<QString>{QStringLiteral("No Sensor Card was found.")});
    EXPECT_EQ(Printable(com3.Received()), Printable(kProbeAndRelease));
    EXPECT_FALSE(IsChecked(window, MaintenanceDialog::IdGoOnline));
    EXPECT_FALSE(IsChecked(window, MaintenanceDialog::IdGoOffline));
    EXPECT_TRUE(ResponseText(window).isEmpty());
}

TEST(DiscoveryTest, ADeviceHeldElsewhereIsSkipped) {
    PortEnvironment ports;
    FeedbackRecorder feedback;
    cardsim::CardSimulator held;
    platform::ExclusiveDevice holder;
    ASSERT_TRUE(holder.Open(held.SlavePath(), O_RDWR | O_NONBLOCK));
    ports.Set(1, held.SlavePath());
    {
        MaintenanceDialog window;
        window.InitDialog();
        EXPECT_EQ(window.Link(), nullptr);
        // The lock names its holder, this test's process.
        EXPECT_EQ(
            feedback.Texts(Event::Message),
            std::vector<QString>{QStringLiteral("No available serial ports. COM1 (%1) is in use by "
                                                "window_tests (process %2).")
                                     .arg(QString::fromStdString(held.SlavePath()))
                                     .arg(::getpid())});
    }
    // With a card on COM2 the held COM1 is passed over.
    feedback.Clear();
    cardsim::CardSimulator com2;
    ports.Set(2, com2.SlavePath());
    {
        MaintenanceDialog window;
        window.InitDialog();
        ASSERT_NE(window.Link(), nullptr);
        EXPECT_EQ(window.Link()->PortName(), "COM2");
        EXPECT_TRUE(feedback.events.empty());
    }
    EXPECT_EQ(held.Received(), "");
}

class ConnectedDiscoveryTest : public ConnectedWindowTest {};

TEST_F(ConnectedDiscoveryTest, PollWhileConnectedReleasesTheCardAndProbesAgain) {
    card->ClearRecord();
    window->ControlAs<QPushButton>(MaintenanceDialog::IdPollForInstrument)->click();

    ASSERT_NE(window->Link(), nullptr);
    EXPECT_EQ(window->Link()->PortName(), "COM2");
    // The old link puts the card online first; then the probe from COM1 finds it again.
    EXPECT_EQ(Printable(card->Received()), Printable("N\r" + kProbe));
    EXPECT_TRUE(feedback.events.empty());
    EXPECT_TRUE(window->ControlAs<QRadioButton>(MaintenanceDialog::IdGoOffline)->isChecked());
    EXPECT_EQ(ResponseText(*window).toStdString(), LastAnswer(*card));
}

TEST_F(ConnectedDiscoveryTest, PollWhileAReplyIsPendingOnlyBeeps) {
    InstrumentLink* link = window->Link();
    ASSERT_TRUE(link->QueryStatus());
    ASSERT_TRUE(
        card->WaitForReceived([](const std::string& r) { return r.ends_with("SQ\r"); }, kDeadline));
    const std::string before = card->Received();

    window->ControlAs<QPushButton>(MaintenanceDialog::IdPollForInstrument)->click();

    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_EQ(feedback.Messages(), 0);
    EXPECT_EQ(window->Link(), link);
    EXPECT_TRUE(link->IsPending());
    EXPECT_EQ(card->Received(), before);
    link->Reset();
}

TEST_F(ConnectedDiscoveryTest, WaitForReplyOfZeroResetsWithoutReading) {
    InstrumentLink* link = window->Link();
    BehindTheLink behind("COM2");
    ASSERT_TRUE(behind.IsAttached());
    card->ClearRecord();
    // Sensor 1's voltage reply is in the link, then a zero wait drops the pending state only.
    ASSERT_TRUE(link->QueryVoltage(1));
    ASSERT_TRUE(
        card->WaitForSent([](const std::string& s) { return s.ends_with("\n"); }, kDeadline));
    const std::string first = card->Sent();
    ASSERT_TRUE(behind.WaitForBytes(first.size()));

    EXPECT_EQ(window->WaitForReply(0), "");
    EXPECT_FALSE(link->IsPending());

    // The line stayed unread: the next query drops it and gets its own.
    std::vector<std::string> dropped;
    link->SetLateReplyHandler([&](const std::string& text) { dropped.push_back(text); });
    const bool sent = link->QueryVoltage(2);
    const std::string reply = sent ? window->WaitForReply(1000) : std::string();
    link->SetLateReplyHandler({});
    ASSERT_TRUE(sent);
    EXPECT_FALSE(link->IsPending());
    EXPECT_EQ(dropped, std::vector<std::string>{first});
    const std::vector<std::string> lines = SentLines(*card);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0], lines[1]) << "the sensors' codes differ";
    EXPECT_EQ(reply, lines[1]);
}

TEST_F(ConnectedDiscoveryTest, ABufferedReplyIsReturnedAtOnce) {
    InstrumentLink* link = window->Link();
    card->ClearRecord();
    ASSERT_TRUE(link->QueryStatus());
    ASSERT_TRUE(
        card->WaitForSent([](const std::string& s) { return s.ends_with("\n"); }, kDeadline));
    ASSERT_TRUE(link->WaitForUnread(10000));
    const std::string expected = SentLines(*card).back();

    const auto start = std::chrono::steady_clock::now();
    const std::string reply = window->WaitForReply(60000);
    const auto waited = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(reply, expected);
    EXPECT_FALSE(link->IsPending());
    EXPECT_LT(waited, std::chrono::seconds(30)) << "returned with the reply, not at the time-out";
}

}  // namespace
