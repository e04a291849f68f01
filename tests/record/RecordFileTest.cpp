// The record as written to and read back from real files: order, flushing, a cut-off last
// line, files that are no record, a folder that cannot be made and a full disk.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "record/RecordFolder.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
#include "record/VisitRecord.h"

namespace {

const VisitRecord::Origin kOrigin{"1.0", "tech", "bench-pc"};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode) {
    QFile file(path);
    ASSERT_TRUE(file.open(mode));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class RecordFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QTemporaryDir folder;
};

TEST_F(RecordFileTest, EventsAreWrittenOneALineInOrderWithThePortOfTheLastDiscovery) {
    VisitRecord record(kOrigin, QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)));
    ASSERT_EQ(record.WriteTo(folder.filePath("records")), QString());
    EXPECT_EQ(record.FilePath(), folder.filePath("records/2026-12-08_09-05-07.jsonl"));
    record.Event("go_offline", {{"no_response", true}});
    record.Event("discovery", {{"port", "COM2"}, {"device", "/dev/ttyS1"}});
    record.Event("query_voltage", {{"sensor", 3}, {"value", 2.5}, {"unit", "V"}});
    record.Drain();

    const QList<QByteArray> lines = ReadAll(record.FilePath()).split('\n');
    ASSERT_EQ(lines.size(), 5) << "four lines and nothing after the last line end";
    EXPECT_TRUE(lines[4].isEmpty());

    const ReadRecord read = RecordReader::Read(record.FilePath());
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    EXPECT_TRUE(read.notes.isEmpty());
    ASSERT_EQ(read.events.size(), 4);
    EXPECT_EQ(read.events[0].value("event").toString(), "visit");
    EXPECT_EQ(read.events[0].value("version").toInt(), 1);
    EXPECT_EQ(read.events[0].value("user").toString(), "tech");
    EXPECT_FALSE(read.events[1].contains("port")) << "no port before the first discovery";
    EXPECT_EQ(read.events[3].value("port").toString(), "COM2");
    EXPECT_EQ(read.events[3].value("device").toString(), "/dev/ttyS1");
    EXPECT_DOUBLE_EQ(read.events[3].value("value").toDouble(), 2.5);
    const QDateTime time =
        QDateTime::fromString(read.events[3].value("time").toString(), Qt::ISODateWithMs);
    EXPECT_TRUE(time.isValid());
    EXPECT_LE(qAbs(time.secsTo(QDateTime::currentDateTime())), 60);
}

TEST_F(RecordFileTest, ACutOffLastLineIsLeftOutWithANoteAndAStrayLineIsSkipped) {
    VisitRecord record(kOrigin);
    ASSERT_EQ(record.WriteTo(folder.path()), QString());
    record.Event("go_online", {{"reply", "ONLINE"}});
    record.Event("go_offline", {{"reply", "OFFLINE"}});
    record.Drain();
    const QString path = record.FilePath();

    WriteAll(path, "{\"event\":\"query_vol", QIODevice::Append);
    ReadRecord read = RecordReader::Read(path);
    ASSERT_TRUE(read.IsRecord());
    EXPECT_EQ(read.events.size(), 3);
    EXPECT_EQ(read.notes, QStringList{"The last event was cut off and is left out."});

    QByteArray bytes = ReadAll(path);
    bytes.insert(bytes.indexOf('\n') + 1, "garbage\n");
    WriteAll(path, bytes, QIODevice::WriteOnly | QIODevice::Truncate);
    read = RecordReader::Read(path);
    EXPECT_EQ(read.events.size(), 3);
    EXPECT_EQ(read.events[1].value("event").toString(), "go_online");
    EXPECT_TRUE(read.notes.contains("Line 2 is not an event and is left out."));
}

TEST_F(RecordFileTest, FilesThatAreNoRecordGiveAClearMessage) {
    const QString text = folder.filePath("notes.jsonl");
    WriteAll(text, "Sensor 3 was dirty.\n", QIODevice::WriteOnly);
    EXPECT_EQ(RecordReader::Read(text).error, "notes.jsonl is not a service record.");

    const QString json = folder.filePath("other.jsonl");
    WriteAll(json, "{\"event\":\"status\",\"time\":\"x\"}\n", QIODevice::WriteOnly);
    EXPECT_EQ(RecordReader::Read(json).error, "other.jsonl is not a service record.");

    const QString empty = folder.filePath("empty.jsonl");
    WriteAll(empty, "", QIODevice::WriteOnly);
    const ReadRecord read = RecordReader::Read(empty);
    EXPECT_FALSE(read.IsRecord());
    EXPECT_TRUE(read.events.isEmpty());

    EXPECT_TRUE(RecordReader::Read(folder.filePath("absent.jsonl"))
                    .error.startsWith("absent.jsonl could not be opened"));
}

TEST_F(RecordFileTest, AFolderThatCannotBeMadeLeavesTheRecordInMemory) {
    WriteAll(folder.filePath("plain-file"), "x", QIODevice::WriteOnly);
    VisitRecord record(kOrigin);
    const QString error = record.WriteTo(folder.filePath("plain-file/records"));
    EXPECT_TRUE(error.contains("could not be created")) << error.toStdString();
    EXPECT_TRUE(record.FilePath().isEmpty());
    record.Event("go_offline", {{"reply", "OFFLINE"}});
    EXPECT_EQ(record.Events().size(), 2);
}

TEST_F(RecordFileTest, AFullDiskStopsTheWritingWithOneMessage) {
    std::mutex mutex;
    std::condition_variable told;
    QStringList messages;
    {
        RecordWriter writer("/dev/full", [&](const QString& message) {
            const std::lock_guard lock(mutex);
            messages << message;
            told.notify_all();
        });
        ASSERT_TRUE(writer.IsOpen());
        for (int i = 0; i < 5; ++i) {
            writer.Append("{\"event\":\"status\"}");
        }
        writer.Drain();
        EXPECT_TRUE(writer.HasFailed());
        writer.Append("{\"event\":\"status\"}");  // no further message, no crash
        writer.Drain();
    }
    std::unique_lock lock(mutex);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("/dev/full could not be written"))
        << messages[0].toStdString();
}

TEST_F(RecordFileTest, TheRecordsFolderIsBelowTheDataHome) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path()));
    EXPECT_EQ(RecordFolder::Default(), folder.filePath("merrowby/records"));
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_EQ(RecordFolder::FileName(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
              "2026-01-02_03-04-05.jsonl");
}

}  // namespace
