// The real program killed with SIGKILL in the middle of a visit: its record opens, up to the
// last event written.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "record/RecordReader.h"
#include "report/ServiceReport.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

constexpr int kDeadlineMs = 20000;

// The one record in the folder, once it holds the text; empty after the deadline.
QString WaitForRecordHolding(const QString& folder, const QByteArray& text) {
    QDir().mkpath(folder);
    QFileSystemWatcher watcher({folder});
    QSignalSpy folderChanged(&watcher, &QFileSystemWatcher::directoryChanged);
    QSignalSpy fileChanged(&watcher, &QFileSystemWatcher::fileChanged);
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < kDeadlineMs) {
        const QStringList records = QDir(folder).entryList({"*.jsonl"}, QDir::Files);
        if (records.size() == 1) {
            const QString path = QDir(folder).filePath(records[0]);
            watcher.addPath(path);
            QFile file(path);
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text)) {
                return path;
            }
        }
        // Either signal ends the wait; the loop looks again.
        if (folderChanged.isEmpty() && fileChanged.isEmpty()) {
            fileChanged.wait(200);
        }
        folderChanged.clear();
        fileChanged.clear();
    }
    return {};
}

// The card on COM2, COM1, COM3 and COM4 standing for nothing; data and settings in home; the
// window on the offscreen platform.
QProcessEnvironment ProgramEnvironment(const QTemporaryDir& home,
                                       const cardsim::CardSimulator& card) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("MERROWBY_DEVICE_ROOT", home.filePath("dev"));
    for (int com = 1; com <= 4; ++com) {
        environment.insert(
            QStringLiteral("MERROWBY_COM%1").arg(com),
            com == 2 ? QString::fromStdString(card.SlavePath()) : home.filePath("absent"));
    }
    return environment;
}

TEST(KilledVisitTest, TheRecordOfAKilledProgramOpensUpToItsLastEvent) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    cardsim::CardSimulator card;

    QProcess program;
    program.setProcessEnvironment(ProgramEnvironment(home, card));
    program.start(MERROWBY_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted());

    const QString records = home.filePath("data/merrowby/records");
    const QString path = WaitForRecordHolding(records, "\"discovery\"");
    ASSERT_FALSE(path.isEmpty()) << "the program found the card and wrote it down";
    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGKILL), 0);
    ASSERT_TRUE(program.waitForFinished(kDeadlineMs));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);

    const ReadRecord read = RecordReader::Read(path);
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    ASSERT_GE(read.events.size(), 2);
    EXPECT_EQ(read.events.first().value("event").toString(), "visit");
    EXPECT_NE(read.events.last().value("event").toString(), "exit") << "it never got to exit";
    const ServiceReport report = ServiceReport::FromEvents(read.events, read.notes);
    EXPECT_EQ(report.port, "COM2");
    EXPECT_EQ(report.identity, "SENSOR CARD V2.1");
}

// The X server under the running window killed: the program puts the card back online and
// ends its record before it goes.
TEST(KilledVisitTest, TheDisplayGoneTheCardIsPutBackOnlineAndTheRecordEnded) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    cardsim::CardSimulator card;

    // A display of its own: Xvfb writes its number once it takes connections.
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"});
    ASSERT_TRUE(server.waitForStarted()) << "Xvfb (package xvfb) is needed";
    QByteArray displayNumber;
    while (!displayNumber.endsWith('\n') && server.waitForReadyRead(kDeadlineMs)) {
        displayNumber += server.readAllStandardOutput();
    }
    ASSERT_TRUE(displayNumber.endsWith('\n')) << server.readAllStandardError().toStdString();

    QProcess program;
    QProcessEnvironment environment = ProgramEnvironment(home, card);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("DISPLAY", ":" + QString::fromLatin1(displayNumber.trimmed()));
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("XAUTHORITY");
    program.setProcessEnvironment(environment);
    program.start(MERROWBY_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted());

    const QString path =
        WaitForRecordHolding(home.filePath("data/merrowby/records"), "\"discovery\"");
    ASSERT_FALSE(path.isEmpty()) << program.readAllStandardError().toStdString();
    ASSERT_FALSE(card.Online()) << "taken offline by the discovery";
    server.kill();
    ASSERT_TRUE(server.waitForFinished(kDeadlineMs));
    ASSERT_TRUE(program.waitForFinished(kDeadlineMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(program.readAllStandardError().contains(
        "merrowby: the display is gone; the card is back online.\n"));

    EXPECT_EQ(card.Commands().back(), "N");
    EXPECT_TRUE(card.Online());
    const ReadRecord read = RecordReader::Read(path);
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    ASSERT_GE(read.events.size(), 3);
    const QJsonObject goOnline = read.events[read.events.size() - 2];
    EXPECT_EQ(goOnline.value("event").toString(), "go_online");
    EXPECT_TRUE(goOnline.value("at_exit").toBool());
    EXPECT_TRUE(goOnline.value("confirmed").toBool());
    EXPECT_EQ(read.events.last().value("event").toString(), "exit");
}

}  // namespace
