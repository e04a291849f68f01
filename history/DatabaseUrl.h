#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QSqlDatabase;

// The organisation's PostgreSQL database as a libpq connection URI,
// postgresql://[user@][host][:port][/dbname][?key=value&...], with a socket folder as host
// (percent-encoded in place, or as ?host=). The password is never part of it: libpq reads
// ~/.pgpass or PGPASSWORD itself.
struct DatabaseUrl {
    // How long a connection is tried when the URI does not say (connect_timeout).
    static constexpr int kConnectSeconds = 10;

    QString host;  // empty: libpq's default socket
    int port = -1;
    QString user;
    QString database;
    QStringList options;  // further libpq keywords, "sslmode='require'"

    // Empty, with the reason in `error`, for what is no such URI.
    static std::optional<DatabaseUrl> Parse(const QString& text, QString& error);

    // The settings of a connection through Qt SQL's PostgreSQL driver.
    void ApplyTo(QSqlDatabase& database) const;
};
