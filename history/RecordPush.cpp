#include "history/RecordPush.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <algorithm>

namespace {

// The first line of a record and the size of its complete lines, without reading it whole.
struct Opening {
    QString key;
    qint64 size = 0;
};

QString KeyOf(const QByteArray& firstLine) {
    return QString::fromLatin1(
        QCryptographicHash::hash(firstLine, QCryptographicHash::Sha256).toHex());
}

std::optional<Opening> OpeningOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray first = file.readLine();
    if (!first.endsWith('\n')) {
        return std::nullopt;
    }
    // The last line may be one still being written: only complete lines count.
    constexpr qint64 kTail = 64 * 1024;
    qint64 end = file.size();
    while (end > first.size()) {
        const qint64 from = std::max<qint64>(first.size(), end - kTail);
        file.seek(from);
        const QByteArray tail = file.read(end - from);
        if (const qsizetype newline = tail.lastIndexOf('\n'); newline >= 0) {
            return Opening{KeyOf(first), from + newline + 1};
        }
        end = from;
    }
    return Opening{KeyOf(first), first.size()};
}

QString Plural(int count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

}  // namespace

QString RecordPush::Result::Summary() const {
    return QStringLiteral("%1 sent, %2 already there.")
        .arg(Plural(sent, "visit", "visits"))
        .arg(alreadyThere);
}

std::optional<HistoryIndex::RecordCopy> RecordPush::CopyOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray content = file.readAll();
    content.truncate(content.lastIndexOf('\n') + 1);
    if (content.isEmpty()) {
        return std::nullopt;
    }
    HistoryIndex::RecordCopy copy;
    copy.fileName = QFileInfo(path).fileName();
    copy.size = content.size();
    copy.key = KeyOf(content.left(content.indexOf('\n') + 1));
    // Each line as it is written; one that is no JSON object kept as a string.
    copy.lines.reserve(content.size() + 2);
    copy.lines += '[';
    qsizetype from = 0;
    while (from < content.size()) {
        const qsizetype newline = content.indexOf('\n', from);
        const QByteArray line = content.mid(from, newline - from);
        from = newline + 1;
        if (copy.lines.size() > 1) {
            copy.lines += ',';
        }
        QJsonParseError parsed;
        if (QJsonDocument::fromJson(line, &parsed).isObject()) {
            copy.lines += line;
        } else {
            copy.lines += QJsonDocument(QJsonArray{QString::fromUtf8(line)})
                              .toJson(QJsonDocument::Compact)
                              .mid(1)
                              .chopped(1);
        }
    }
    copy.lines += ']';
    return copy;
}

RecordPush::Result RecordPush::Push(const DatabaseUrl& database, const QString& folder,
                                    const AcceptanceLimits* limits, const QString& leftOut) {
    Result result;
    HistoryIndex index(database);
    if (!index.Open(result.error)) {
        return result;
    }
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.jsonl")}, QDir::Files, QDir::Name);
    std::vector<std::pair<QString, Opening>> records;
    QStringList keys;
    for (const QFileInfo& file : files) {
        if (!leftOut.isEmpty() &&
            file.absoluteFilePath() == QFileInfo(leftOut).absoluteFilePath()) {
            continue;
        }
        if (std::optional<Opening> opening = OpeningOf(file.absoluteFilePath())) {
            keys << opening->key;
            records.emplace_back(file.absoluteFilePath(), std::move(*opening));
        }
    }
    const std::optional<std::map<QString, qint64>> sent = index.SentSizes(keys, result.error);
    if (!sent) {
        return result;
    }
    for (const auto& [path, opening] : records) {
        const auto known = sent->find(opening.key);
        if (known != sent->end() && known->second >= opening.size) {
            ++result.alreadyThere;
            continue;
        }
        QString readError;
        const std::optional<VisitSummary> visit = VisitSummary::FromRecord(path, limits, readError);
        const std::optional<HistoryIndex::RecordCopy> copy = CopyOf(path);
        if (!visit || !copy) {
            result.notes << QStringLiteral("%1 It is not sent.")
                                .arg(visit ? QStringLiteral("%1 cannot be read.").arg(path)
                                           : readError);
            continue;
        }
        const std::optional<HistoryIndex::Added> added =
            index.AddRecord(*copy, *visit, result.error);
        if (!added) {
            return result;
        }
        ++(*added == HistoryIndex::Added::Sent ? result.sent : result.alreadyThere);
    }
    return result;
}
