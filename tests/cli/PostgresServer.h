#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL 15 server of a test's own: a cluster made by initdb in a temporary folder, the
// server listening only on a socket in that folder, stopped at the end. Run as the user
// postgres when the tests run as root (initdb and postgres refuse root). Logins need a
// password; the superuser postgres has kSuperuserPassword.
class PostgresServer {
  public:
    static constexpr const char* kSuperuserPassword = "superuser secret";

    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Why no server can be run here (empty when one can): no postgresql-15, no user to run
    // it as, or no PostgreSQL driver of Qt SQL.
    static QString Missing();

    // Makes the cluster once and starts the server; false with the reason.
    bool Start(QString& error);
    // A fast shutdown: the connections are ended.
    bool Stop(QString& error);

    QString SocketFolder() const;
    // postgresql://user@/dbname?host=<socket folder>
    QString Url(const QString& user, const QString& database = QStringLiteral("merrowby")) const;
    // psql as the superuser, stopping at the first error; its output, or why it failed.
    bool Psql(const QStringList& arguments, QString& output) const;

  private:
    bool RunAsServerUser(const QStringList& command, QString& output) const;

    QTemporaryDir folder_;
    bool made_ = false;
};
