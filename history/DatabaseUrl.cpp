#include "history/DatabaseUrl.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QUrl>

namespace {

QString Decoded(const QString& part) {
    return QUrl::fromPercentEncoding(part.toUtf8());
}

// A value as a libpq connection string takes it: quoted, its quotes and backslashes escaped.
QString Quoted(QString value) {
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

}  // namespace

std::optional<DatabaseUrl> DatabaseUrl::Parse(const QString& text, QString& error) {
    static const QRegularExpression scheme(QStringLiteral("^postgres(ql)?://"));
    const QRegularExpressionMatch schemeMatch = scheme.match(text);
    if (!schemeMatch.hasMatch()) {
        error = QStringLiteral("\"%1\" is no database URL: it begins postgresql://").arg(text);
        return std::nullopt;
    }
    DatabaseUrl url;
    QString rest = text.mid(schemeMatch.capturedLength());
    QString query;
    if (const qsizetype mark = rest.indexOf(QLatin1Char('?')); mark >= 0) {
        query = rest.mid(mark + 1);
        rest.truncate(mark);
    }
    QString authority = rest.section(QLatin1Char('/'), 0, 0);
    if (rest.contains(QLatin1Char('/'))) {
        url.database = Decoded(rest.section(QLatin1Char('/'), 1));
    }
    if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userInfo = authority.left(at);
        if (userInfo.contains(QLatin1Char(':'))) {
            error = QStringLiteral(
                "the database URL holds a password: give it in ~/.pgpass or "
                "PGPASSWORD instead");
            return std::nullopt;
        }
        url.user = Decoded(userInfo);
        authority = authority.mid(at + 1);
    }
    QString port;
    if (authority.startsWith(QLatin1Char('['))) {  // [::1]:5432
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        url.host = authority.mid(1, close - 1);
        port = authority.mid(close + 1).section(QLatin1Char(':'), 1);
    } else {
        url.host = Decoded(authority.section(QLatin1Char(':'), 0, 0));
        port = authority.section(QLatin1Char(':'), 1);
    }
    bool hasTimeout = false;
    static const QRegularExpression keyword(QStringLiteral("^[a-z_]+$"));
    for (const QString& pair : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const QString key = Decoded(pair.section(QLatin1Char('='), 0, 0));
        const QString value = Decoded(pair.section(QLatin1Char('='), 1));
        if (!keyword.match(key).hasMatch() || !pair.contains(QLatin1Char('=')) ||
            value.contains(QLatin1Char(';'))) {
            error = QStringLiteral("\"%1\" is no setting of a database URL").arg(pair);
            return std::nullopt;
        }
        if (key == QLatin1String("password")) {
            error = QStringLiteral(
                "the database URL holds a password: give it in ~/.pgpass or "
                "PGPASSWORD instead");
            return std::nullopt;
        }
        if (key == QLatin1String("host")) {
            url.host = value;
        } else if (key == QLatin1String("port")) {
            port = value;
        } else if (key == QLatin1String("user")) {
            url.user = value;
        } else if (key == QLatin1String("dbname")) {
            url.database = value;
        } else {
            hasTimeout = hasTimeout || key == QLatin1String("connect_timeout");
            url.options << key + QLatin1Char('=') + Quoted(value);
        }
    }
    if (!port.isEmpty()) {
        bool ok = false;
        url.port = port.toInt(&ok);
        if (!ok || url.port <= 0 || url.port > 65535) {
            error = QStringLiteral("\"%1\" is no port").arg(port);
            return std::nullopt;
        }
    }
    if (!hasTimeout) {
        url.options << QStringLiteral("connect_timeout=%1").arg(kConnectSeconds);
    }
    return url;
}

void DatabaseUrl::ApplyTo(QSqlDatabase& database) const {
    database.setHostName(host);
    database.setPort(port);
    database.setUserName(user);
    database.setDatabaseName(this->database);
    database.setConnectOptions(options.join(QLatin1Char(';')));
}
