#include "record/RecordFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace {

// Each letter stands for one digit, so a stem is as long as its format.
constexpr QStringView kStemFormat = u"yyyy-MM-dd_HH-mm-ss";
constexpr qsizetype kStemLength = kStemFormat.size();

// 1 for the first file of its second, 2 for "-2" and so on.
int NumberInTheSecond(const QString& fileName) {
    if (fileName.size() <= kStemLength || fileName.at(kStemLength) != u'-') {
        return 1;
    }
    const QString rest = fileName.mid(kStemLength + 1);
    return rest.left(rest.indexOf(u'.')).toInt();
}

}  // namespace

QString RecordFolder::Default() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(QStringLiteral("merrowby/records"));
}

QString RecordFolder::FileName(const QDateTime& started) {
    return FileStem(started) + QStringLiteral(".jsonl");
}

QString RecordFolder::FileStem(const QDateTime& started) {
    return started.toString(kStemFormat);
}

bool RecordFolder::StartedBefore(const QString& first, const QString& second) {
    const int byTime =
        QStringView(first).left(kStemLength).compare(QStringView(second).left(kStemLength));
    if (byTime != 0) {
        return byTime < 0;
    }
    return NumberInTheSecond(first) < NumberInTheSecond(second);
}
