#include "record/ReportNumber.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

QString WithSuffix(const QDateTime& started, quint16 suffix) {
    return QStringLiteral("SR-%1-%2")
        .arg(started.toString(QStringLiteral("yyyyMMdd-HHmmss")))
        .arg(suffix, 4, 16, QLatin1Char('0'))
        .toUpper();
}

}  // namespace

namespace ReportNumber {

QString New(const QDateTime& started) {
    return WithSuffix(started, static_cast<quint16>(QRandomGenerator::system()->generate()));
}

QString Derived(const QDateTime& started, const QString& host) {
    const QByteArray hash = QCryptographicHash::hash(
        (started.toString(Qt::ISODateWithMs) + QLatin1Char('@') + host).toUtf8(),
        QCryptographicHash::Sha1);
    return WithSuffix(started, static_cast<quint16>((static_cast<quint8>(hash[0]) << 8) |
                                                    static_cast<quint8>(hash[1])));
}

}  // namespace ReportNumber
