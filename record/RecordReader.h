#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// A record read back from its file: the events that could be read, and notes on what could
// not. A file that is no record at all gives an error and no events.
struct ReadRecord {
    QList<QJsonObject> events;
    QStringList notes;
    QString error;

    bool IsRecord() const { return error.isEmpty(); }
};

class RecordReader {
  public:
    static ReadRecord Read(const QString& path);
};
