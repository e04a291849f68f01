#include "record/RecordFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

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
    return QDir::cleanPath(DataHome() + QStringLiteral("/merrowby/records"));
}

QString RecordFolder::DataHome() {
    // A relative path is ignored, as the XDG base directory rules have it.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.startsWith(u'/')) {
        return dataHome;
    }
    QString home = qEnvironmentVariable("HOME");
    if (!home.startsWith(u'/')) {
        // Without HOME (a service, "env -i"), the user's home as the system knows it.
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? QFile::decodeName(user->pw_dir) : QString();
    }
    return home + QStringLiteral("/.local/share");
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
