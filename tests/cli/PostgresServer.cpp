#include "PostgresServer.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>

namespace {

const QString kBinaries = QStringLiteral("/usr/lib/postgresql/15/bin/");

QString Binary(const char* name) {
    return kBinaries + QLatin1String(name);
}

// The user the server runs as when the tests run as root; null when there is none.
const passwd* ServerUser() {
    return geteuid() == 0 ? getpwnam("postgres") : getpwuid(geteuid());
}

bool RunProcess(const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment, QString& output) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace

PostgresServer::PostgresServer() : folder_(QStringLiteral("/tmp/merrowby-postgres-XXXXXX")) {}

PostgresServer::~PostgresServer() {
    QString ignored;
    Stop(ignored);
}

QString PostgresServer::Missing() {
    if (!QFile::exists(Binary("initdb")) || !QFile::exists(Binary("postgres"))) {
        return QStringLiteral(
            "PostgreSQL 15's server is not installed (postgresql-15): "
            "the organisation's database is not tested");
    }
    if (ServerUser() == nullptr) {
        return QStringLiteral("there is no user postgres to run the server as");
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        return QStringLiteral("Qt SQL's PostgreSQL driver is not installed (libqt6sql6-psql)");
    }
    return QString();
}

QString PostgresServer::SocketFolder() const {
    return folder_.filePath(QStringLiteral("socket"));
}

QString PostgresServer::Url(const QString& user, const QString& database) const {
    return QStringLiteral("postgresql://%1@/%2?host=%3").arg(user, database, SocketFolder());
}

bool PostgresServer::RunAsServerUser(const QStringList& command, QString& output) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    if (geteuid() != 0) {
        return RunProcess(command.front(), command.mid(1), environment, output);
    }
    return RunProcess(
        QStringLiteral("runuser"),
        QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} +
            command,
        environment, output);
}

bool PostgresServer::Start(QString& error) {
    if (!folder_.isValid()) {
        error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString data = folder_.filePath(QStringLiteral("data"));
    if (!made_) {
        const passwd* user = ServerUser();
        QFile password(folder_.filePath(QStringLiteral("password")));
        if (user == nullptr || !QDir(folder_.path()).mkdir(QStringLiteral("socket")) ||
            !password.open(QIODevice::WriteOnly) || password.write(kSuperuserPassword) < 0) {
            error = QStringLiteral("the server's folder cannot be made");
            return false;
        }
        password.close();
        for (const QString& path : {folder_.path(), SocketFolder(), password.fileName()}) {
            if (chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) != 0) {
                error = QStringLiteral("%1 cannot be given to the server's user").arg(path);
                return false;
            }
        }
        if (!RunAsServerUser(
                {Binary("initdb"), QStringLiteral("--pgdata=") + data,
                 QStringLiteral("--username=postgres"),
                 QStringLiteral("--pwfile=") + password.fileName(),
                 QStringLiteral("--auth=scram-sha-256"), QStringLiteral("--encoding=UTF8"),
                 QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
                error)) {
            return false;
        }
        made_ = true;
    }
    return RunAsServerUser(
        {Binary("pg_ctl"), QStringLiteral("--pgdata=") + data, QStringLiteral("--wait"),
         QStringLiteral("--log=") + folder_.filePath(QStringLiteral("server.log")),
         QStringLiteral("--options=-c listen_addresses='' -c unix_socket_directories=%1 "
                        "-c fsync=off -c max_connections=60")
             .arg(SocketFolder()),
         QStringLiteral("start")},
        error);
}

bool PostgresServer::Stop(QString& error) {
    if (!made_) {
        return true;
    }
    return RunAsServerUser(
        {Binary("pg_ctl"), QStringLiteral("--pgdata=") + folder_.filePath(QStringLiteral("data")),
         QStringLiteral("--mode=fast"), QStringLiteral("--wait"), QStringLiteral("stop")},
        error);
}

bool PostgresServer::Psql(const QStringList& arguments, QString& output) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), QLatin1String(kSuperuserPassword));
    return RunProcess(
        Binary("psql"),
        QStringList{QStringLiteral("--host=") + SocketFolder(),
                    QStringLiteral("--username=postgres"), QStringLiteral("--no-psqlrc"),
                    QStringLiteral("--quiet"), QStringLiteral("--set=ON_ERROR_STOP=1")} +
            arguments,
        environment, output);
}
