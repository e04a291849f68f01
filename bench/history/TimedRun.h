#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program run once with its data and settings in home's "data" and "config" folders: its
// wall time in milliseconds, or -1 where it did not exit 0. Its standard output goes to out.
qint64 TimedRunMs(const QString& home, const QStringList& arguments, QByteArray& out,
                  int timeoutMs);
