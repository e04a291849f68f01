#include "record/RecordReader.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStringDecoder>
#include <cstring>

#include "platform/DurableFile.h"
#include "record/SampleLine.h"
#include "record/VisitRecord.h"

namespace {

constexpr qint64 kSkipChunkBytes = 64 * 1024;

bool IsVisitHeader(const QJsonObject& event) {
    return event.value(QStringLiteral("event")).toString() == QStringLiteral("visit") &&
           event.value(QStringLiteral("version")).isDouble();
}

// A line written for a dump sample: its kind is a key of the top level, and a quote inside a
// string is escaped, so that no other line holds these bytes.
bool IsDumpSample(const QByteArray& line) {
    return line.contains("\"event\":\"dump_sample\"");
}

bool IsUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder(bytes);
    return !decoder.hasError();
}

// Reads past the rest of a line; the bytes read.
qint64 SkipRestOfLine(QFile& file) {
    qint64 skipped = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.readLine(kSkipChunkBytes);
        skipped += chunk.size();
        if (chunk.isEmpty() || chunk.endsWith('\n')) {
            break;
        }
    }
    return skipped;
}

// The notes on lines left out: the first few one by one, the rest counted.
class LeftOutLines {
  public:
    explicit LeftOutLines(QStringList& notes) : notes_(notes) {}

    void Add(const QString& note) {
        if (++count_ <= RecordReader::kMostLineNotes) {
            notes_ << note;
        }
    }
    void Close() {
        if (count_ > RecordReader::kMostLineNotes) {
            notes_ << QStringLiteral("%1 more lines are left out.")
                          .arg(count_ - RecordReader::kMostLineNotes);
        }
    }

  private:
    QStringList& notes_;
    int count_ = 0;
};

QString OpenError(const QString& name, const platform::OpenedFile& opened) {
    if (opened.error != 0) {
        return QStringLiteral("%1 could not be opened: %2")
            .arg(name, QString::fromLocal8Bit(std::strerror(opened.error)));
    }
    if (opened.kind == platform::FileKind::Folder) {
        return QStringLiteral("%1 is a folder, not a service record.").arg(name);
    }
    return QStringLiteral("%1 is a device or a pipe, not a service record.").arg(name);
}

}  // namespace

ReadRecord RecordReader::Read(const QString& path, Samples samples) {
    QList<QJsonObject> events;
    ReadRecord record =
        Read(path, [&events](const QJsonObject& event) { events.append(event); }, samples);
    record.events = std::move(events);
    return record;
}

ReadRecord RecordReader::Read(const QString& path, const EventHandler& each, Samples samples) {
    return Read(path, each, SampleHandler{}, samples);
}

ReadRecord RecordReader::Read(const QString& path, const EventHandler& each,
                              const SampleHandler& eachSample, Samples samples) {
    ReadRecord record;
    const QString name = QFileInfo(path).fileName();
    const platform::OpenedFile opened =
        platform::OpenRegularFile(QFile::encodeName(path).toStdString());
    QFile file;
    if (!opened.fd.IsValid() ||
        !file.open(opened.fd.Get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        record.error = OpenError(name, opened);
        return record;
    }
    const QString notRecord = QStringLiteral("%1 is not a service record.").arg(name);
    LeftOutLines leftOut(record.notes);
    int notUtf8 = 0;
    qint64 total = 0;
    qint64 events = 0;
    // One buffer for every line: readLine() leaves room for a terminating zero, so this reads
    // up to one byte past the limit.
    QByteArray buffer(kLineLimitBytes + 2, Qt::Uninitialized);
    for (int number = 1; !file.atEnd(); ++number) {
        if (total >= kTotalLimitBytes) {
            record.notes << QStringLiteral(
                                "The record is longer than %1 MiB; the rest is left out.")
                                .arg(kTotalLimitBytes / (1024 * 1024));
            break;
        }
        const qint64 read = file.readLine(buffer.data(), buffer.size());
        if (read <= 0) {
            break;
        }
        QByteArray line = QByteArray::fromRawData(buffer.constData(), read);
        total += read;
        // A line without its end is the last one, cut off, unless it is too long.
        const bool whole = line.endsWith('\n');
        if (!whole && read > kLineLimitBytes) {
            total += SkipRestOfLine(file);
            if (events == 0) {
                record.error = notRecord;
                return record;
            }
            leftOut.Add(QStringLiteral("Line %1 is longer than %2 KiB and is left out.")
                            .arg(number)
                            .arg(kLineLimitBytes / 1024));
            continue;
        }
        if (QByteArrayView(line).trimmed().isEmpty() ||
            (samples == Samples::Skipped && IsDumpSample(line))) {
            continue;
        }
        if (events > 0 && eachSample) {
            if (const std::optional<SampleLine> sample = SampleLine::Parse(line)) {
                ++events;
                eachSample(*sample);
                continue;
            }
        }
        QJsonParseError parseError{};
        QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        if (parseError.error != QJsonParseError::NoError && !IsUtf8(line)) {
            // The event is kept, its bad bytes replaced.
            document = QJsonDocument::fromJson(QString::fromUtf8(line).toUtf8(), &parseError);
            notUtf8 += parseError.error == QJsonParseError::NoError ? 1 : 0;
        }
        const bool isEvent = parseError.error == QJsonParseError::NoError && document.isObject() &&
                             document.object().value(QStringLiteral("event")).isString();
        if (events == 0) {
            if (!isEvent || !IsVisitHeader(document.object())) {
                record.error = notRecord;
                return record;
            }
            const int version = document.object().value(QStringLiteral("version")).toInt();
            if (version > VisitRecord::kVersion) {
                record.notes << QStringLiteral(
                                    "The record was written by a later version (%1); what this "
                                    "version does not know is left out.")
                                    .arg(version);
            }
        } else if (!isEvent) {
            if (whole) {
                leftOut.Add(QStringLiteral("Line %1 is not an event and is left out.").arg(number));
            } else {
                record.notes << QStringLiteral("The last event was cut off and is left out.");
            }
            continue;
        }
        ++events;
        each(document.object());
    }
    leftOut.Close();
    if (notUtf8 > 0) {
        record.notes << (notUtf8 == 1 ? QStringLiteral("1 event holds bytes that are not UTF-8; "
                                                       "each is shown as \uFFFD.")
                                      : QStringLiteral("%1 events hold bytes that are not UTF-8; "
                                                       "each is shown as \uFFFD.")
                                            .arg(notUtf8));
    }
    if (events == 0) {
        record.error = notRecord;
    }
    return record;
}
