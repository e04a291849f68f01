#include "record/RecordFolder.h"

#include <QDir>
#include <QStandardPaths>

QString RecordFolder::Default() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(QStringLiteral("merrowby/records"));
}

QString RecordFolder::FileName(const QDateTime& started) {
    return FileStem(started) + QStringLiteral(".jsonl");
}

QString RecordFolder::FileStem(const QDateTime& started) {
    return started.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
}
