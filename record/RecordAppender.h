#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

// Adds events to the record of a visit that has ended (or is kept on another computer): each
// one line at the file's end, written in one piece and synced. A last line without its line
// end (a visit killed while writing) is ended first, so that the new event is a line of its own.
class RecordAppender {
  public:
    // The event with its kind and the time given; an empty text, else why it was not added.
    static QString Append(const QString& path, const char* kind, QJsonObject values,
                          const QDateTime& time);
};
