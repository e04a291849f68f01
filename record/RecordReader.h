#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class SampleLine;

// A record read back from its file: the events that could be read, and notes on what could
// not. A file that is no record at all gives an error and no events.
struct ReadRecord {
    QList<QJsonObject> events;
    QStringList notes;
    QString error;

    bool IsRecord() const { return error.isEmpty(); }
};

// Reads a record line by line: a line longer than kLineLimitBytes is left out, and so is
// everything after the first kTotalLimitBytes, each with a note. Only a regular file is read:
// a pipe, a device or a folder gives an error.
class RecordReader {
  public:
    // Beyond any event the program writes (the notes hold 20,000 characters, at most 4 bytes
    // each in UTF-8).
    static constexpr qint64 kLineLimitBytes = 128 * 1024;
    // About four days of a running dump.
    static constexpr qint64 kTotalLimitBytes = 32 * 1024 * 1024;
    // Lines left out beyond this many are counted in one note.
    static constexpr int kMostLineNotes = 10;

    // Whether the dump samples are read: a reader that needs none of them (the history index)
    // passes over their lines without parsing or keeping them.
    enum class Samples { Read, Skipped };

    static ReadRecord Read(const QString& path, Samples samples = Samples::Read);

    using EventHandler = std::function<void(const QJsonObject& event)>;
    using SampleHandler = std::function<void(const SampleLine& sample)>;

    // Reads as Read() does, but hands each event to `each` as it is read, keeping none: the
    // result holds the notes and the error only.
    static ReadRecord Read(const QString& path, const EventHandler& each,
                           Samples samples = Samples::Read);
    // As above, but a dump sample's line in the plain form the program writes (SampleLine) goes
    // to `eachSample` unparsed as JSON; every other event to `each`.
    static ReadRecord Read(const QString& path, const EventHandler& each,
                           const SampleHandler& eachSample, Samples samples = Samples::Read);
};
