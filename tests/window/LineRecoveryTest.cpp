// The instrument's serial line taken away and brought back while the window runs: a
// simulated card whose symbolic link stands for the device, destroyed (the adapter pulled
// out) and made anew at the same or another name (plugged in again).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>
#include <filesystem>
#include <fstream>
#include <thread>

#include "BehindTheLink.h"
#include "ConnectedWindow.h"
#include "ModalAnswer.h"
#include "PortTestSupport.h"
#include "app/LineRecovery.h"
#include "dialogs/SensorLevelDialog.h"
#include "dialogs/SensorTimingTestDialog.h"
#include "ports/DeviceMapping.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"
#include "report/ReportHtml.h"
#include "report/ServiceReport.h"
#include "trace/ProtocolTrace.h"

namespace {

using namespace windowtest;
namespace fs = std::filesystem;

const QString kTitle = QStringLiteral("Morwen Sensor Maintenance Utility");

// What assistive tools read: the window's name and the response field's value.
QString AccessibleTitle(MaintenanceDialog& window) {
    return QAccessible::queryAccessibleInterface(&window)->text(QAccessible::Name);
}
QString AccessibleResponse(MaintenanceDialog& window) {
    return QAccessible::queryAccessibleInterface(window.Control(MaintenanceDialog::IdResponse))
        ->text(QAccessible::Value);
}

bool TraceHolds(trace::ProtocolTrace& trace, const std::string& text) {
    trace.WaitUntilWritten(kDeadline);
    for (const std::string& line : trace.History().Lines()) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

cardsim::CardOptions CardAt(const std::string& linkPath, bool silent = false) {
    cardsim::CardOptions options = silent ? SilentCard() : cardsim::CardOptions{};
    options.linkPath = linkPath;
    return options;
}

class LineRecoveryTest : public ::testing::Test {
  protected:
    void Connect(int comNumber) {
        window = std::make_unique<MaintenanceDialog>();
        window->InitDialog();
        ASSERT_NE(window->Link(), nullptr);
        ASSERT_EQ(window->Link()->PortName(), "COM" + std::to_string(comNumber));
        ASSERT_EQ(AccessibleTitle(*window), kTitle);
    }
    // The card on the link, given to COMn, and the window connected to it.
    void ConnectToCardOnLink(int comNumber) {
        card = std::make_unique<cardsim::CardSimulator>(CardAt(linkPath));
        ports.Set(comNumber, linkPath);
        Connect(comNumber);
    }
    void Unplug() {
        card.reset();
        ASSERT_TRUE(QTest::qWaitFor([&] { return AccessibleTitle(*window) != kTitle; }, 10000));
    }
    bool WaitForResponse(const QString& text) {
        return QTest::qWaitFor([&] { return AccessibleResponse(*window) == text; }, 10000);
    }

    porttest::TempDir folder;
    const std::string linkPath = folder.File("ttyUSB0");
    trace::ProtocolTrace trace;
    PortEnvironment ports;
    FeedbackRecorder feedback;
    std::unique_ptr<cardsim::CardSimulator> card;
    std::unique_ptr<MaintenanceDialog> window;
};

TEST_F(LineRecoveryTest, LossIsShownAtOnceAndTheReturnTakesTheCardOfflineAgain) {
    ConnectToCardOnLink(1);

    Unplug();
    EXPECT_EQ(AccessibleTitle(*window), kTitle + " - COM1 line lost");
    EXPECT_EQ(AccessibleResponse(*window),
              QString::fromStdString("Line lost on COM1 (" + linkPath + ")."));
    EXPECT_TRUE(TraceHolds(trace, "COM1 line lost (" + linkPath + ")"));

    // A command meanwhile times out as ever, and is not kept for later.
    window->ControlAs<QPushButton>(MaintenanceDialog::IdUpdate)->click();
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_FALSE(window->Link()->IsPending());

    cardsim::CardSimulator back(CardAt(linkPath));
    ASSERT_TRUE(WaitForResponse(QString::fromStdString("Line back on COM1 (" + linkPath + ").")));
    EXPECT_EQ(AccessibleTitle(*window), kTitle);
    EXPECT_EQ(Printable(back.Received()), "M\\r") << "the card taken offline, nothing stale";
    EXPECT_FALSE(back.Online());
    EXPECT_TRUE(window->ControlAs<QRadioButton>(MaintenanceDialog::IdGoOffline)->isChecked());
    EXPECT_FALSE(window->ControlAs<QRadioButton>(MaintenanceDialog::IdGoOnline)->isChecked());
    EXPECT_TRUE(TraceHolds(trace, "COM1 line back (" + linkPath + ")"));

    // And the line works as before.
    back.ClearRecord();
    window->ControlAs<QPushButton>(MaintenanceDialog::IdUpdate)->click();
    EXPECT_EQ(Printable(back.Received()), "SQ\\r");
    EXPECT_EQ(feedback.Beeps(), 1);
}

TEST_F(LineRecoveryTest, ADumpRunningAtTheLossEndsByItsSilentTicks) {
    ConnectToCardOnLink(1);
    auto* start = window->ControlAs<QPushButton>(MaintenanceDialog::IdStartStop);
    start->click();
    ASSERT_TRUE(window->IsDumpRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !AccessibleResponse(*window).isEmpty(); }, 5000));

    Unplug();
    EXPECT_EQ(AccessibleTitle(*window), kTitle + " - COM1 line lost");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->IsDumpRunning(); }, 10000));
    EXPECT_EQ(start->text(), "Start");
    EXPECT_EQ(AccessibleResponse(*window),
              QString::fromStdString("Line lost on COM1 (" + linkPath + ")."));

    cardsim::CardSimulator back(CardAt(linkPath));
    ASSERT_TRUE(WaitForResponse(QString::fromStdString("Line back on COM1 (" + linkPath + ").")));
    EXPECT_EQ(Printable(back.Received()), "M\\r");
}

TEST_F(LineRecoveryTest, ASilentCardOnTheReturnedLineIsSaidSoAndPollingWorksAsBefore) {
    ConnectToCardOnLink(2);
    Unplug();

    cardsim::CardSimulator silent(CardAt(linkPath, true));
    ASSERT_TRUE(WaitForResponse(QString::fromStdString("Line back on COM2 (" + linkPath + ").")));
    EXPECT_EQ(AccessibleTitle(*window), kTitle + " - COM2 line back, card silent");
    EXPECT_EQ(Printable(silent.Received()), "M\\r");

    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    ASSERT_EQ(report.lineBreaks.size(), 1u);
    EXPECT_TRUE(report.lineBreaks[0].back.isValid());
    ASSERT_FALSE(report.unanswered.empty());
    EXPECT_EQ(report.unanswered.back().what, "Go offline");
    EXPECT_EQ(report.unanswered.back().reply, "No Response.");

    window->ControlAs<QPushButton>(MaintenanceDialog::IdPollForInstrument)->click();
    EXPECT_EQ(window->Link(), nullptr);
    EXPECT_EQ(feedback.Messages(), 1) << "No Sensor Card was found.";
    EXPECT_EQ(AccessibleTitle(*window), kTitle);
}

// The kernel makes the node before its driver takes opens, and tells nothing when it does:
// the device there but not yet a line is tried again. The link points into a folder nobody
// watches, first at a FIFO (opens, takes no line settings), then at the card.
TEST_F(LineRecoveryTest, ADeviceThereButNotYetOpenIsTriedAgain) {
    ConnectToCardOnLink(1);
    Unplug();

    porttest::TempDir unwatched;
    const std::string target = unwatched.File("line");
    ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
    const int reader = ::open(target.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    fs::create_symlink(target, linkPath);
    // A writer that came and went (the window's try) leaves the reader hung up.
    pollfd tried{reader, POLLIN, 0};
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ::poll(&tried, 1, 0) == 1 && (tried.revents & POLLHUP) != 0; }, 10000));
    ::close(reader);
    EXPECT_EQ(AccessibleTitle(*window), kTitle + " - COM1 line lost");

    cardsim::CardSimulator back(CardAt(unwatched.File("card")));
    fs::rename(unwatched.File("card"), target);
    ASSERT_TRUE(WaitForResponse(QString::fromStdString("Line back on COM1 (" + linkPath + ").")));
    EXPECT_EQ(Printable(back.Received()), "M\\r");
}

// The timing test holds the line for its own exchange: a line back meanwhile is taken up
// when the test ends, by the "M" that ends it, not by a second one sent into the test.
TEST_F(LineRecoveryTest, ALineBackDuringTheTimingTestIsTakenUpWhenTheTestEnds) {
    ConnectToCardOnLink(1);
    std::unique_ptr<cardsim::CardSimulator> back;
    std::string receivedDuringTest;
    const ModalAnswer<SensorTimingTestDialog> answer([&](SensorTimingTestDialog* test) {
        Unplug();
        back = std::make_unique<cardsim::CardSimulator>(CardAt(linkPath));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return TraceHolds(trace, "COM1 line back (" + linkPath + ")"); }, 10000));
        receivedDuringTest = back->Received();
        EXPECT_EQ(AccessibleTitle(*window), kTitle) << "the line is back";
        test->ControlAs<QPushButton>(SensorTimingTestDialog::kDoneId)->click();
    });
    window->ControlAs<QPushButton>(MaintenanceDialog::IdSensorTimingTest)->click();

    ASSERT_TRUE(answer.Answered());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Printable(receivedDuringTest), "");
    EXPECT_EQ(Printable(back->Received()), "M\\r");
    EXPECT_FALSE(back->Online());
    EXPECT_EQ(AccessibleResponse(*window),
              QString::fromStdString("Line back on COM1 (" + linkPath + ")."));
    EXPECT_EQ(AccessibleTitle(*window), kTitle);
}

// A reply that came after the window's wait, before the line went, is no answer to the "M"
// that takes the card up when the line is back.
TEST_F(LineRecoveryTest, ALateReplyFromBeforeTheLossIsDroppedByTheTakeUp) {
    cardsim::CardOptions lateStatus = CardAt(linkPath);
    lateStatus.commandDelays["SQ"] = std::chrono::milliseconds(1500);
    card = std::make_unique<cardsim::CardSimulator>(lateStatus);
    ports.Set(1, linkPath);
    Connect(1);
    card->ClearRecord();
    {
        windowtest::BehindTheLink behind("COM1");
        ASSERT_TRUE(behind.IsAttached());
        window->ControlAs<QPushButton>(MaintenanceDialog::IdUpdate)->click();
        ASSERT_EQ(feedback.Beeps(), 1) << "no response within 1000 ms";
        ASSERT_TRUE(card->WaitForSentContaining("\n", kDeadline));
        ASSERT_TRUE(behind.WaitForBytes(card->Sent().size()));
    }
    const std::string late = card->Sent();
    Unplug();

    cardsim::CardSimulator back(CardAt(linkPath));
    ASSERT_TRUE(WaitForResponse(QString::fromStdString("Line back on COM1 (" + linkPath + ").")));
    const QList<QJsonObject>& events = window->Record().Events();
    const QJsonObject offline = events.last();
    ASSERT_EQ(offline.value("event").toString(), "go_offline");
    EXPECT_EQ(offline.value("reply").toString(), "SENSOR CARD V2.1 OFFLINE");
    EXPECT_TRUE(offline.value("confirmed").toBool());
    const QJsonObject dropped = events.at(events.size() - 2);
    ASSERT_EQ(dropped.value("event").toString(), "late_reply");
    EXPECT_EQ(dropped.value("bytes").toInt(), static_cast<int>(late.size())) << late;
}

// The port drops what it has not sent when the line goes. With reply pacing the carriage
// return waits 300 ms after the text: the adapter pulled out in between leaves a setting whose
// end never reached the card, recorded as not sent and never as a change.
TEST_F(LineRecoveryTest, ASettingDroppedUnsentAtTheLossIsRecordedAsNotSent) {
    ConnectToCardOnLink(1);
    std::string portName = "COM1";
    std::string paced = "96,n,8,1,1";
    ASSERT_TRUE(GetPortManager()->Configure(portName, paced));
    card->ClearRecord();
    // Pulled out as "0000V" (0 V for sensor 0) is in, its carriage return still queued.
    card->SetHangUpAfter("V");
    const ModalAnswer<SensorLevelDialog> answer(
        [](SensorLevelDialog* dialog) { dialog->ControlAs<QPushButton>(1)->click(); });
    window->ControlAs<QPushButton>(MaintenanceDialog::IdSetVoltage)->click();
    ASSERT_TRUE(answer.Answered());
    const std::string received = card->Received();
    ASSERT_TRUE(received.ends_with("V") && received.find('\r') == std::string::npos)
        << "pulled out between the text and its carriage return: " << received;
    card.reset();
    ASSERT_TRUE(TraceHolds(trace, "COM1 dropped"));

    const QJsonObject set = window->Record().Events().last();
    ASSERT_EQ(set.value("event").toString(), "set_voltage");
    EXPECT_TRUE(set.value("not_sent").toBool());
    EXPECT_FALSE(set.contains("no_response"));
    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    for (const ServiceReport::Change& change : report.changes) {
        EXPECT_FALSE(change.what.startsWith("Voltage of sensor 0")) << "no change";
    }
    ASSERT_FALSE(report.unanswered.empty());
    EXPECT_EQ(report.unanswered.back().what, "Set voltage not sent");
}

// A default-mapped adapter: found again by its USB serial number under the new name the
// kernel gives it, and not mistaken for another adapter that comes first.
class DefaultMappedLineTest : public LineRecoveryTest {
  protected:
    void SetUp() override {
        fs::create_directories(devices);
        ProcessDeviceMapping().SetDeviceRoot(devices);
        ProcessDeviceMapping().SetSystemRoot(folder.Path());
        for (int com = 1; com <= 4; ++com) {
            ports.Set(com, "");
        }
    }
    void TearDown() override {
        window.reset();
        ProcessDeviceMapping().SetSystemRoot("/");
        ProcessDeviceMapping().SetDeviceRoot("/dev");
    }
    // What sysfs shows of a tty on a USB adapter at that port path, with that serial number
    // (none when empty).
    void AddSysfsTty(const std::string& tty, const std::string& usbPort,
                     const std::string& serial) {
        const fs::path usb = fs::path(sys) / "devices" / "usb1" / usbPort;
        const fs::path port = usb / (usbPort + ":1.0") / tty;
        fs::create_directories(port);
        std::ofstream(usb / "busnum") << "1\n";
        std::ofstream(usb / "devpath") << usbPort.substr(2) << "\n";
        if (!serial.empty()) {
            std::ofstream(usb / "serial") << serial << "\n";
        }
        fs::create_directories(fs::path(sys) / "class" / "tty" / tty);
        fs::create_symlink(port, fs::path(sys) / "class" / "tty" / tty / "device");
    }
    void RemoveSysfsTty(const std::string& tty) {
        fs::remove_all(fs::path(sys) / "class" / "tty" / tty);
    }

    const std::string devices = folder.File("dev");
    const std::string sys = folder.File("sys");
};

TEST_F(DefaultMappedLineTest, TheSameAdapterIsTakenUpUnderItsNewName) {
    AddSysfsTty("ttyUSB0", "1-1", "A9XK1");
    card = std::make_unique<cardsim::CardSimulator>(CardAt(devices + "/ttyUSB0"));
    Connect(1);
    Unplug();
    EXPECT_EQ(AccessibleResponse(*window),
              QString::fromStdString("Line lost on COM1 (" + devices + "/ttyUSB0)."));
    RemoveSysfsTty("ttyUSB0");

    AddSysfsTty("ttyUSB0", "1-2", "OTHER7");
    cardsim::CardSimulator other(CardAt(devices + "/ttyUSB0"));
    AddSysfsTty("ttyUSB1", "1-1", "A9XK1");
    cardsim::CardSimulator back(CardAt(devices + "/ttyUSB1"));
    ASSERT_TRUE(
        WaitForResponse(QString::fromStdString("Line back on COM1 (" + devices + "/ttyUSB1).")));
    EXPECT_EQ(AccessibleTitle(*window), kTitle);
    EXPECT_EQ(Printable(back.Received()), "M\\r");
    EXPECT_EQ(other.Received(), "");

    // The record names both devices, and what follows carries the new one.
    const QString lost = QString::fromStdString(devices + "/ttyUSB0");
    const QString renamed = QString::fromStdString(devices + "/ttyUSB1");
    window->ControlAs<QPushButton>(MaintenanceDialog::IdUpdate)->click();
    const QJsonObject status = window->Record().Events().last();
    ASSERT_EQ(status.value("event").toString(), "status");
    EXPECT_EQ(status.value("device").toString(), renamed);
    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    EXPECT_EQ(report.changes.back().what, "Card taken offline on the line's return");
    const QString html = ReportHtml::Render(
        report, [](std::size_t) { return QString(); }, true);
    EXPECT_TRUE(html.contains(lost + ", back as " + renamed)) << html.toStdString();
}

// Without a serial number the adapter is known by its USB socket alone: in another socket it
// is taken up only when nothing else like it came. It comes back here before the window has
// handled the loss, as it may on a busy machine.
TEST_F(DefaultMappedLineTest, AnAdapterWithoutSerialNumberInAnotherSocketIsTakenUpWhenAlone) {
    AddSysfsTty("ttyUSB0", "1-1", "");
    card = std::make_unique<cardsim::CardSimulator>(CardAt(devices + "/ttyUSB0"));
    Connect(1);
    card.reset();
    ASSERT_TRUE(porttest::WaitUntil([&] { return TraceHolds(trace, "COM1 line lost"); }));
    ASSERT_EQ(AccessibleTitle(*window), kTitle) << "the window has not handled the loss yet";
    RemoveSysfsTty("ttyUSB0");

    AddSysfsTty("ttyUSB1", "1-2", "");
    cardsim::CardSimulator back(CardAt(devices + "/ttyUSB1"));
    ASSERT_TRUE(
        WaitForResponse(QString::fromStdString("Line back on COM1 (" + devices + "/ttyUSB1).")));
    EXPECT_EQ(Printable(back.Received()), "M\\r");
}

TEST_F(DefaultMappedLineTest, TwoAdaptersLikeTheLostOneLeaveTheChoiceToTheUser) {
    AddSysfsTty("ttyUSB0", "1-1", "");
    card = std::make_unique<cardsim::CardSimulator>(CardAt(devices + "/ttyUSB0"));
    Connect(1);
    Unplug();
    RemoveSysfsTty("ttyUSB0");

    // Both there before the window looks again.
    AddSysfsTty("ttyUSB1", "1-2", "");
    cardsim::CardSimulator one(CardAt(devices + "/ttyUSB1"));
    AddSysfsTty("ttyUSB2", "1-3", "");
    cardsim::CardSimulator other(CardAt(devices + "/ttyUSB2"));
    ASSERT_TRUE(WaitForResponse(QStringLiteral(
        "Two or more adapters like the lost one appeared; Poll For Instrument chooses.")));
    EXPECT_EQ(AccessibleTitle(*window), kTitle + " - COM1 line lost");
    EXPECT_EQ(one.Received(), "");
    EXPECT_EQ(other.Received(), "");
    EXPECT_TRUE(window->LineFollower().IsLost());
}

}  // namespace
