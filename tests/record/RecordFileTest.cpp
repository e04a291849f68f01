// The record as written to and read back from real files: order, syncing, a cut-off last
// line, files that are no record, a folder that cannot be made, a full disk, a stalled disk,
// two programs started together and a folder removed in the middle of a visit.
#include <gtest/gtest.h>
#include <pwd.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <chrono>
#include <filesystem>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTimeZone>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "FileSizeLimit.h"
#include "platform/DurableFile.h"

#include "record/RecordAppender.h"
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

// What the writer told, from whichever thread.
class Messages {
  public:
    RecordWriter::MessageHandler Handler() {
        return [this](const QString& message) {
            const std::lock_guard lock(mutex_);
            texts_ << message;
        };
    }
    QStringList Texts() const {
        const std::lock_guard lock(mutex_);
        return texts_;
    }

  private:
    mutable std::mutex mutex_;
    QStringList texts_;
};

// The writer's syncs as the platform layer sees them: the file's size at each, each folder
// synced with the files in it then ("/records 1"), one that fails with EIO, and a disk that
// stalls in a sync until it is let go.
class SyncLog {
  public:
    SyncLog() {
        current_ = this;
        platform::SetSyncFunction(&SyncLog::Sync);
    }
    // Waits for a writer left in a sync to come out.
    ~SyncLog() {
        platform::SetSyncFunction(nullptr);
        std::unique_lock lock(mutex_);
        stalled_ = false;
        changed_.notify_all();
        changed_.wait(lock, [this] { return inside_ == 0; });
        current_ = nullptr;
    }
    SyncLog(const SyncLog&) = delete;
    SyncLog& operator=(const SyncLog&) = delete;

    std::vector<off_t> Sizes() const {
        const std::lock_guard lock(mutex_);
        return sizes_;
    }
    std::vector<std::string> FoldersSynced() const {
        const std::lock_guard lock(mutex_);
        return foldersSynced_;
    }
    // The sync with this number (from 1) fails.
    void FailAt(std::size_t number) {
        const std::lock_guard lock(mutex_);
        failAt_ = number;
    }
    void Stall() {
        const std::lock_guard lock(mutex_);
        stalled_ = true;
    }
    void WaitUntilStuck() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stuck_; });
    }
    void LetGo() {
        const std::lock_guard lock(mutex_);
        stalled_ = false;
        changed_.notify_all();
    }

  private:
    static int Sync(int fd) {
        SyncLog& log = *current_;
        struct stat status {};
        ::fstat(fd, &status);
        if (S_ISDIR(status.st_mode)) {
            const std::string folder = PathOf(fd);
            const std::string synced = folder + " " + std::to_string(FilesIn(folder));
            const std::lock_guard lock(log.mutex_);
            log.foldersSynced_.push_back(synced);
            return 0;
        }
        std::unique_lock lock(log.mutex_);
        ++log.inside_;
        log.sizes_.push_back(status.st_size);
        const bool fails = log.sizes_.size() == log.failAt_;
        log.stuck_ = log.stalled_;
        log.changed_.notify_all();
        log.changed_.wait(lock, [&log] { return !log.stalled_; });
        --log.inside_;
        log.changed_.notify_all();
        if (fails) {
            errno = EIO;
            return -1;
        }
        return 0;
    }

    static std::string PathOf(int fd) {
        return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd));
    }

    static int FilesIn(const std::string& folder) {
        namespace fs = std::filesystem;
        int files = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            files += entry.is_regular_file() ? 1 : 0;
        }
        return files;
    }

    static inline SyncLog* current_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<off_t> sizes_;
    std::vector<std::string> foldersSynced_;
    std::size_t failAt_ = 0;
    bool stalled_ = false;
    bool stuck_ = false;
    int inside_ = 0;
};

QByteArray StatusLine(int number) {
    return QByteArray("{\"event\":\"status\",\"n\":") + QByteArray::number(number) + '}';
}

QStringList EventKinds(const ReadRecord& read) {
    QStringList kinds;
    for (const QJsonObject& event : read.events) {
        kinds << event.value("event").toString();
    }
    return kinds;
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

TEST_F(RecordFileTest, DumpSamplesKeptCompactAreTheFilesEventsAgainWithTheirPortAndTime) {
    VisitRecord record(kOrigin);
    // The file takes each event as it comes; the record keeps the samples compact.
    ASSERT_EQ(record.WriteTo(folder.filePath("records")), QString());
    record.Event("dump_sample", {{"milliamps", QJsonArray{0.1, 0.2, 0.3, 0.4}}});
    record.Event("discovery", {{"port", "COM2"}, {"device", "/dev/ttyS1"}});
    record.Event("dump_start", {{"tube", "left"}});
    record.Event("dump_sample", {{"milliamps", QJsonArray{1.25, 0.0003051851, 0.9375, 1.5}}});
    record.Event("line_back", {{"port", "COM2"}, {"device", "/dev/ttyUSB1"}});
    record.Event("dump_sample", {{"milliamps", QJsonArray{1.0, 2.0, 3.0, 4.0}}});
    record.Event("not_found", {{"port", ""}, {"device", ""}});
    record.Event("dump_sample", {{"milliamps", QJsonArray{1.0, 2.0, 3.0, 4.0}}});
    record.Drain();

    const ReadRecord read = RecordReader::Read(record.FilePath());
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    ASSERT_EQ(read.events.size(), 9);
    EXPECT_EQ(read.events[5].value("device").toString(), "/dev/ttyUSB1");
    EXPECT_FALSE(read.events[1].contains("port"));
    EXPECT_EQ(read.events, record.Events());
    EXPECT_EQ(record.EventsBesideSamples().size(), 5);
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

    // Bytes that are not UTF-8 keep their event, replaced, with a note.
    WriteAll(path, "\n{\"event\":\"notes\",\"text\":\"Lamp \xff\xfe replaced.\"}\n",
             QIODevice::Append);
    read = RecordReader::Read(path);
    ASSERT_EQ(read.events.size(), 4);
    EXPECT_EQ(read.events[3].value("text").toString(),
              QStringLiteral("Lamp \uFFFD\uFFFD replaced."));
    EXPECT_TRUE(
        read.notes.contains("1 event holds bytes that are not UTF-8; each is shown as \uFFFD."))
        << read.notes.join('\n').toStdString();
}

// An event added to an ended visit's record: a line of its own at the end, even after a last
// line cut off; what is no file is refused with the reason.
TEST_F(RecordFileTest, AnEventAddedAfterTheVisitIsALineOfItsOwnAtTheEnd) {
    VisitRecord record(kOrigin);
    ASSERT_EQ(record.WriteTo(folder.path()), QString());
    record.Event("exit", {});
    record.Drain();
    const QString path = record.FilePath();
    const QDateTime time(QDate(2026, 12, 9), QTime(14, 2, 11, 250), QTimeZone(-18000));
    ASSERT_EQ(RecordAppender::Append(path, "report_issued", {{"revision", 0}}, time), QString());
    WriteAll(path, "{\"event\":\"note", QIODevice::Append);
    ASSERT_EQ(RecordAppender::Append(path, "authorisation", {{"name", "Ann Lee"}}, time),
              QString());

    const ReadRecord read = RecordReader::Read(path);
    EXPECT_EQ(EventKinds(read), (QStringList{"visit", "exit", "report_issued", "authorisation"}));
    EXPECT_EQ(read.events[2].value("time").toString(), "2026-12-09T14:02:11.250-05:00");
    EXPECT_EQ(read.notes, QStringList{"Line 4 is not an event and is left out."});

    EXPECT_EQ(RecordAppender::Append(folder.path(), "report_issued", {}, time), "Is a directory");
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

    // Neither waits for a writer nor reads without end.
    const QString pipe = folder.filePath("pipe.jsonl");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(RecordReader::Read(pipe).error,
              "pipe.jsonl is a device or a pipe, not a service record.");
    EXPECT_EQ(RecordReader::Read("/dev/zero").error,
              "zero is a device or a pipe, not a service record.");
    EXPECT_EQ(RecordReader::Read(folder.path() + "/")
                  .error.endsWith("is a folder, not a service record."),
              true);
}

TEST_F(RecordFileTest, AnOverlongLineIsLeftOutAndTheRecordIsReadUpTo32MiB) {
    const QString path = folder.filePath("long.jsonl");
    QByteArray bytes = R"({"event":"visit","version":1,"time":"2026-12-08T11:40:51.000+01:00"})"
                       "\n";
    bytes += R"({"event":"notes","text":")" + QByteArray(1000 * 1000, 'x') + "\"}\n";
    bytes += R"({"event":"go_online","reply":"ONLINE"})"
             "\n";
    for (int i = 0; i < 12; ++i) {
        bytes += "garbage\n";
    }
    WriteAll(path, bytes, QIODevice::WriteOnly);
    ReadRecord read = RecordReader::Read(path);
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    EXPECT_EQ(EventKinds(read), (QStringList{"visit", "go_online"}));
    ASSERT_EQ(read.notes.size(), 11) << read.notes.join('\n').toStdString();
    EXPECT_TRUE(read.notes[0].startsWith("Line 2 is longer than")) << read.notes[0].toStdString();
    EXPECT_EQ(read.notes[1], "Line 4 is not an event and is left out.");
    EXPECT_EQ(read.notes[10], "3 more lines are left out.");

    // 40 MiB of dump samples.
    const QByteArray sample = R"({"event":"dump_sample","milliamps":[1.25,0.625,0.9375,1.5]})"
                              "\n";
    QByteArray samples;
    while (samples.size() < 1024 * 1024) {
        samples += sample;
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    for (int mib = 0; mib < 40; ++mib) {
        ASSERT_EQ(file.write(samples), samples.size());
    }
    file.close();
    read = RecordReader::Read(path);
    ASSERT_TRUE(read.IsRecord());
    EXPECT_TRUE(read.notes.contains("The record is longer than 32 MiB; the rest is left out."))
        << read.notes.join('\n').toStdString();
    EXPECT_LT(read.events.size(), 40 * samples.count('\n'));
    EXPECT_GT(read.events.size(), 31 * samples.count('\n'));
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

TEST_F(RecordFileTest, AFullDiskEndsTheFileWithOneMessage) {
    Messages messages;
    RecordWriter writer(folder.path(), "visit", messages.Handler());
    ASSERT_TRUE(writer.IsOpen());
    writer.Append(StatusLine(1));
    writer.Drain();
    const qint64 written = QFileInfo(writer.Path()).size();
    ASSERT_GT(written, 0);
    {
        // The disk takes ten more bytes.
        const FileSizeLimit full(static_cast<rlim_t>(written + 10));
        ASSERT_TRUE(full.IsSet());
        for (int i = 2; i <= 4; ++i) {
            writer.Append(StatusLine(i));
        }
        writer.Drain();
    }
    EXPECT_TRUE(writer.HasFailed());
    writer.Append(StatusLine(5));  // no further message, no crash
    EXPECT_EQ(writer.Finish(std::chrono::seconds(5)), 4u) << "lines 2 to 5 are not in the file";
    const QStringList texts = messages.Texts();
    ASSERT_EQ(texts.size(), 1) << texts.join('\n').toStdString();
    EXPECT_EQ(texts[0], QStringLiteral("The service record %1 could not be written: File too large")
                            .arg(writer.Path()));

    // A file that could not take a whole line, empty or cut off, is not left behind.
    for (const rlim_t room : {0, 10}) {
        RecordWriter first(folder.path(), QStringLiteral("first-%1").arg(room), {});
        ASSERT_TRUE(first.IsOpen());
        ASSERT_TRUE(QFileInfo::exists(first.Path()));
        {
            const FileSizeLimit full(room);
            ASSERT_TRUE(full.IsSet());
            first.Append(StatusLine(1));
            first.Drain();
        }
        EXPECT_TRUE(first.HasFailed());
        EXPECT_FALSE(QFileInfo::exists(first.Path())) << room;
    }
}

TEST_F(RecordFileTest, EachLineIsSyncedBeforeTheNextAndAFailedSyncEndsTheFileOnce) {
    SyncLog syncs;
    Messages messages;
    RecordWriter writer(folder.path(), "visit", messages.Handler());
    ASSERT_TRUE(writer.IsOpen());
    std::vector<off_t> lineEnds;
    off_t size = 0;
    for (int i = 1; i <= 5; ++i) {
        writer.Append(StatusLine(i));
        size += StatusLine(i).size() + 1;
        lineEnds.push_back(size);
    }
    writer.Drain();
    EXPECT_EQ(syncs.Sizes(), lineEnds) << "one sync per line, after it and before the next";

    syncs.FailAt(7);  // the sync of line 7
    for (int i = 6; i <= 9; ++i) {
        writer.Append(StatusLine(i));
    }
    writer.Drain();
    EXPECT_TRUE(writer.HasFailed());
    EXPECT_EQ(syncs.Sizes().size(), 7u) << "nothing is written after the failed sync";
    EXPECT_EQ(writer.Finish(std::chrono::seconds(5)), 3u) << "lines 7 to 9";
    const QStringList texts = messages.Texts();
    ASSERT_EQ(texts.size(), 1) << texts.join('\n').toStdString();
    EXPECT_EQ(texts[0],
              QStringLiteral("The service record %1 could not be written: Input/output error")
                  .arg(writer.Path()));
}

TEST_F(RecordFileTest, AStalledDiskNeverHoldsTheCallerAndTheQueueEndsTheFileWithOneMessage) {
    SyncLog syncs;
    Messages messages;
    RecordWriter writer(folder.path(), "visit", messages.Handler());
    ASSERT_TRUE(writer.IsOpen());
    syncs.Stall();
    writer.Append(StatusLine(0));
    syncs.WaitUntilStuck();
    // 4 MB of lines while the disk takes none.
    const QByteArray padding(1000, 'x');
    constexpr int kLines = 4000;
    for (int i = 1; i <= kLines; ++i) {
        writer.Append(StatusLine(i) + padding);
    }
    EXPECT_TRUE(writer.HasFailed());
    syncs.LetGo();
    writer.Drain();

    const qsizetype inFile = ReadAll(writer.Path()).count('\n');
    EXPECT_GT(inFile, 1);
    EXPECT_LT(inFile, kLines / 2) << "the queue held a bounded part of the lines";
    EXPECT_EQ(writer.Finish(std::chrono::seconds(5)), std::size_t(kLines + 1 - inFile))
        << "every line not in the file is counted";
    const QStringList texts = messages.Texts();
    ASSERT_EQ(texts.size(), 1) << texts.join('\n').toStdString();
    EXPECT_TRUE(texts[0].startsWith("The disk is not taking the service record"))
        << texts[0].toStdString();
}

TEST_F(RecordFileTest, AtExitAStalledDiskIsWaitedForABoundedTimeAndWhatIsMissingIsSaid) {
    SyncLog syncs;
    VisitRecord record(kOrigin);
    ASSERT_EQ(record.WriteTo(folder.path()), QString());
    record.Drain();
    syncs.Stall();
    record.Event("go_offline", {{"reply", "OFFLINE"}});
    syncs.WaitUntilStuck();
    record.Event("go_online", {{"reply", "ONLINE"}});
    record.Event("exit", {});
    EXPECT_EQ(record.Finish(std::chrono::milliseconds(100)),
              QStringLiteral("3 events of this visit are not in the service record %1.")
                  .arg(record.FilePath()))
        << "the line in its sync is not known to be on the disk";
    syncs.LetGo();
}

TEST_F(RecordFileTest, FoldersMadeForTheRecordAreSyncedIntoTheFolderAboveThem) {
    const SyncLog syncs;
    const std::string base = QFile::encodeName(folder.path()).toStdString();
    ASSERT_FALSE(std::filesystem::exists(base + "/merrowby"));
    VisitRecord record({"1.0", "tech", "bench-pc"}, QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)));
    ASSERT_EQ(record.WriteTo(folder.filePath("merrowby/records")), QString());
    record.Drain();

    EXPECT_EQ(syncs.FoldersSynced(), (std::vector<std::string>{base + " 0", base + "/merrowby 0",
                                                               base + "/merrowby/records 1"}))
        << "each new folder's name synced into the one above, the last once the file is in it";
    const ReadRecord read = RecordReader::Read(record.FilePath());
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    EXPECT_EQ(EventKinds(read), QStringList{"visit"});
}

TEST_F(RecordFileTest, TwoRecordsStartedInTheSameSecondGetAFileEach) {
    const SyncLog syncs;
    const QDateTime started(QDate(2026, 12, 8), QTime(9, 5, 7));
    VisitRecord first({"1.0", "first", "bench-pc"}, started);
    VisitRecord second({"1.0", "second", "bench-pc"}, started);
    ASSERT_EQ(first.WriteTo(folder.path()), QString());
    ASSERT_EQ(second.WriteTo(folder.path()), QString());
    first.Event("go_offline", {{"reply", "OFFLINE"}});
    second.Event("go_online", {{"reply", "ONLINE"}});
    first.Drain();
    second.Drain();

    EXPECT_EQ(first.FilePath(), folder.filePath("2026-12-08_09-05-07.jsonl"));
    EXPECT_EQ(second.FilePath(), folder.filePath("2026-12-08_09-05-07-2.jsonl"));
    const std::string base = QFile::encodeName(folder.path()).toStdString();
    EXPECT_EQ(syncs.FoldersSynced(), (std::vector<std::string>{base + " 1", base + " 2"}))
        << "the folder synced once each new name is in it";
    // The files "Open Record..." lists.
    EXPECT_EQ(QDir(folder.path()).entryList({"*.jsonl"}, QDir::Files).size(), 2);
    for (const auto& [record, user, kind] :
         {std::tuple{&first, "first", "go_offline"}, std::tuple{&second, "second", "go_online"}}) {
        const ReadRecord read = RecordReader::Read(record->FilePath());
        ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
        EXPECT_EQ(EventKinds(read), (QStringList{"visit", kind})) << user;
        EXPECT_EQ(read.events[0].value("user").toString(), user);
    }
}

TEST_F(RecordFileTest, AFolderRemovedOrRenamedInAVisitIsWrittenAgainWithEveryEventAndOneMessage) {
    const struct {
        const char* what;
        std::function<bool(const QString& records)> takeAway;
    } cases[] = {
        {"removed", [](const QString& records) { return QDir(records).removeRecursively(); }},
        {"renamed",
         [](const QString& records) { return QDir().rename(records, records + "-old"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString records = folder.filePath(QStringLiteral("records-%1").arg(c.what));
        QStringList messages;
        VisitRecord record(kOrigin);
        record.SetFailureHandler([&messages](const QString& message) { messages << message; });
        ASSERT_EQ(record.WriteTo(records), QString());
        const QString path = record.FilePath();
        record.Event("go_offline", {{"reply", "OFFLINE"}});
        record.Drain();
        ASSERT_TRUE(c.takeAway(records));
        ASSERT_FALSE(QFileInfo::exists(path));

        record.Event("go_online", {{"reply", "ONLINE"}});
        record.Event("exit", {});
        record.Drain();
        EXPECT_EQ(record.FilePath(), path) << "the folder made anew, the name free again";
        const ReadRecord read = RecordReader::Read(record.FilePath());
        ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
        EXPECT_EQ(EventKinds(read), (QStringList{"visit", "go_offline", "go_online", "exit"}));
        EXPECT_TRUE(read.notes.isEmpty());
        ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
        EXPECT_EQ(messages[0],
                  QStringLiteral("The service record %1 was removed or moved away. It is written "
                                 "again, with the visit so far, as %1.")
                      .arg(path));
    }
}

TEST_F(RecordFileTest, TheRecordsFolderIsBelowTheDataHome) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path()));
    EXPECT_EQ(RecordFolder::Default(), folder.filePath("merrowby/records"));
    // A relative data home is ignored; without HOME, the user's home from the user database.
    qputenv("XDG_DATA_HOME", "data");
    qunsetenv("HOME");
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(RecordFolder::Default(),
              QDir::cleanPath(QFile::decodeName(user->pw_dir) + "/.local/share/merrowby/records"));
    qputenv("HOME", savedHome);
    qputenv("XDG_DATA_HOME", saved);

    // A folder that cannot be made says why, and each record and folder made is the user's
    // alone.
    WriteAll(folder.filePath("file"), "x", QIODevice::WriteOnly);
    VisitRecord blocked(kOrigin);
    EXPECT_EQ(blocked.WriteTo(folder.filePath("file/records")),
              QStringLiteral("The records folder %1 could not be created: Not a directory.")
                  .arg(folder.filePath("file/records")));
    VisitRecord record(kOrigin);
    ASSERT_EQ(record.WriteTo(folder.filePath("new/records")), QString());
    record.Drain();
    for (const auto& [path, mode] :
         {std::pair{folder.filePath("new"), 0700}, std::pair{folder.filePath("new/records"), 0700},
          std::pair{record.FilePath(), 0600}}) {
        struct stat status {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, unsigned(mode)) << path.toStdString();
    }
    EXPECT_EQ(RecordFolder::FileName(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
              "2026-01-02_03-04-05.jsonl");
}

}  // namespace
