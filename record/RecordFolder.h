#pragma once

#include <QDateTime>
#include <QString>

// Where the records of the visits live: <data dir>/merrowby/records, one file per start of
// the program, named after its start date and time (with "-2", "-3"... after the time when
// other programs started in the same second).
class RecordFolder {
  public:
    // ~/.local/share/merrowby/records, or below XDG_DATA_HOME when that is set.
    static QString Default();
    // XDG_DATA_HOME where it is an absolute path, else ~/.local/share: HOME, or without it the
    // home the user database gives.
    static QString DataHome();
    // "2026-12-08_11-40-51.jsonl" for a start at that local time.
    static QString FileName(const QDateTime& started);
    // The name without its extension: "2026-12-08_11-40-51".
    static QString FileStem(const QDateTime& started);
    // Whether the record named first was started before the one named second: by the time in
    // the names, then by their number in the second ("-2" after none, "-10" after "-9").
    static bool StartedBefore(const QString& first, const QString& second);
};
