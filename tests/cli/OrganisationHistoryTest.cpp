// The organisation's history on a real PostgreSQL 15 server that the tests start: records
// pushed from several homes by the real program, read back by "merrowby history --database",
// by the report's "Previous visit", and sent by the window's pusher.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>
#include <memory>
#include <vector>

#include "PostgresServer.h"
#include "ProgramRun.h"
#include "history/BackgroundPush.h"
#include "tests/support/SurveySensors.h"

namespace {

const QString kRoles = QStringLiteral(MERROWBY_SOURCE_DIR "/docs/sql/roles.sql");

QByteArray Line(const QJsonObject& event) {
    return QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
}

// A record of one visit to `serial`: a survey as found and one as left, with sensor 2 at
// `volts`.
QByteArray Record(const QString& reportNumber, const QString& serial, const QDateTime& started,
                  double volts) {
    const QString time = started.toString(Qt::ISODateWithMs);
    const QJsonArray sensors = SurveySensors(4.5, 2, volts);
    const QJsonObject survey{{"event", "survey"}, {"time", time}, {"sensors", sensors}};
    return Line({{"event", "visit"},
                 {"version", 1},
                 {"time", time},
                 {"report_number", reportNumber},
                 {"user", "tech"}}) +
           Line({{"event", "report_details"},
                 {"time", time},
                 {"model", "LX 9"},
                 {"serial_number", serial},
                 {"customer", "Northfield Lab"}}) +
           Line(survey) + Line(survey) + Line({{"event", "exit"}, {"time", time}});
}

// One computer: its data folder, its technician's login and password.
struct Home {
    ProgramRun run;
    QString user;

    QString Records() const { return run.FilePath("data/merrowby/records"); }
    QString Add(const QString& name, const QByteArray& content) const {
        QDir().mkpath(Records());
        QFile file(QDir(Records()).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(file.write(content), content.size());
        return file.fileName();
    }
    // The organisation's database in the settings.
    void SetDatabase(const QString& url) const {
        QDir().mkpath(run.FilePath("config/merrowby"));
        QFile settings(run.FilePath("config/merrowby/merrowby.conf"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write("[history]\ndatabase=" + url.toUtf8() + "\n");
    }
};

enum class Trouble {
    None,
    SameRecordTwice,
    AtOnce,
    Killed,
    ServerStopped,
    WrongPassword,
    PasswordInTheUrl
};

struct PushCase {
    const char* name;
    Trouble trouble;
    int homes;
    int ownRecords;     // each home's visits of its own
    int sharedRecords;  // visits every home has, copied by hand
    int status;         // of the first push
    const char* said;   // its output; with an error, a part of what it says
    const char* next;   // the next push's output, from the first home
    int visits;         // the instrument's visits in the history after
};

const PushCase kPushCases[] = {
    {"TwoTechniciansFromTwoHomes", Trouble::None, 2, 1, 0, 0, "1 visit sent, 0 already there.\n",
     "0 visits sent, 1 already there.\n", 2},
    {"SameRecordTwice", Trouble::SameRecordTwice, 1, 2, 0, 0, "2 visits sent, 0 already there.\n",
     "0 visits sent, 2 already there.\n", 2},
    {"TwentyAtOnce", Trouble::AtOnce, 20, 1, 2, 0, nullptr, "0 visits sent, 3 already there.\n",
     22},
    {"KilledHalfway", Trouble::Killed, 1, 3, 0, -1, nullptr, "3 visits sent, 0 already there.\n",
     3},
    {"ServerStoppedDuringThePush", Trouble::ServerStopped, 1, 3, 0, 2,
     "terminating connection due to administrator command", "3 visits sent, 0 already there.\n", 3},
    {"WrongPassword", Trouble::WrongPassword, 1, 1, 0, 2,
     "password authentication failed for user \"alice\"", nullptr, 0},
    {"PasswordInTheUrl", Trouble::PasswordInTheUrl, 1, 1, 0, 1,
     "the database URL holds a password: give it in ~/.pgpass or PGPASSWORD instead", nullptr, 0},
};

void PrintTo(const PushCase& c, std::ostream* out) {
    *out << c.name;
}

class OrganisationHistoryTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!PostgresServer::Missing().isEmpty()) {
            return;
        }
        server_ = std::make_unique<PostgresServer>();
        QString output;
        // The organisation's steps of the README: the roles, two technicians, the owner's
        // first run making the tables.
        if (!server_->Start(output) || !server_->Psql({"--file=" + kRoles}, output) ||
            !server_->Psql({"--dbname=merrowby",
                            "--command=CREATE ROLE alice LOGIN PASSWORD 'alice secret' "
                            "IN ROLE merrowby_technicians",
                            "--command=CREATE ROLE bob LOGIN PASSWORD 'bob secret' "
                            "IN ROLE merrowby_technicians",
                            "--command=ALTER ROLE merrowby_owner PASSWORD 'owner secret'"},
                           output)) {
            setUpError_ = output;
            return;
        }
        ProgramRun owner;
        owner.SetEnvironment("PGPASSWORD", "owner secret");
        const ProgramRun::Result made =
            owner.Run({"records", "push", "--database", server_->Url("merrowby_owner")});
        if (made.status != 0 || made.out != "0 visits sent, 0 already there.\n") {
            setUpError_ = QString::fromUtf8(made.out + made.err);
        }
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (const QString missing = PostgresServer::Missing(); !missing.isEmpty()) {
            GTEST_SKIP() << missing.toStdString();
        }
        ASSERT_TRUE(setUpError_.isEmpty()) << setUpError_.toStdString();
    }
    void TearDown() override {
        if (QSqlDatabase::contains("superuser")) {
            QSqlDatabase::database("superuser", false).close();
            QSqlDatabase::removeDatabase("superuser");
        }
    }

    // The superuser's own connection, beside the program's.
    static QSqlDatabase Superuser() {
        QSqlDatabase database = QSqlDatabase::contains("superuser")
                                    ? QSqlDatabase::database("superuser", false)
                                    : QSqlDatabase::addDatabase("QPSQL", "superuser");
        database.setHostName(server_->SocketFolder());
        database.setUserName("postgres");
        database.setPassword(PostgresServer::kSuperuserPassword);
        database.setDatabaseName("merrowby");
        EXPECT_TRUE(database.isOpen() || database.open())
            << database.lastError().text().toStdString();
        return database;
    }
    static QVariant Value(const QString& statement, const QVariantList& values = {}) {
        QSqlQuery query(Superuser());
        query.prepare(statement);
        for (const QVariant& value : values) {
            query.addBindValue(value);
        }
        EXPECT_TRUE(query.exec() && query.next()) << query.lastError().text().toStdString();
        return query.value(0);
    }

    static std::unique_ptr<PostgresServer> server_;
    static QString setUpError_;
};

std::unique_ptr<PostgresServer> OrganisationHistoryTest::server_;
QString OrganisationHistoryTest::setUpError_;

class PushTest : public OrganisationHistoryTest, public ::testing::WithParamInterface<PushCase> {};

TEST_P(PushTest, EveryVisitOnceWholeOrNotAtAll) {
    const PushCase& c = GetParam();
    const QString serial = QStringLiteral("SN-%1").arg(QLatin1String(c.name));
    const QDateTime first(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC);
    std::vector<std::unique_ptr<Home>> homes;
    for (int h = 0; h < c.homes; ++h) {
        auto home = std::make_unique<Home>();
        home->user = h % 2 == 0 ? "alice" : "bob";
        home->run.SetEnvironment("PGPASSWORD", c.trouble == Trouble::WrongPassword
                                                   ? "not the password"
                                                   : home->user + " secret");
        // Sensor 2 moves by 0.125 V from one visit to the next.
        for (int r = 0; r < c.ownRecords; ++r) {
            const int n = h * c.ownRecords + r;
            home->Add(QStringLiteral("2026-03-02_%1.jsonl").arg(n, 4, 10, QLatin1Char('0')),
                      Record(QStringLiteral("SR-%1-%2").arg(c.name).arg(n), serial,
                             first.addSecs(3600 * n), 4.5 + 0.125 * n));
        }
        for (int r = 0; r < c.sharedRecords; ++r) {
            home->Add(QStringLiteral("2026-01-01_%1.jsonl").arg(r),
                      Record(QStringLiteral("SR-%1-shared-%2").arg(c.name).arg(r), serial,
                             first.addDays(-10 + r), 4.5));
        }
        homes.push_back(std::move(home));
    }
    Home& home = *homes.front();
    const QStringList push{"records", "push", "--database", server_->Url(home.user)};

    if (c.trouble == Trouble::Killed || c.trouble == Trouble::ServerStopped) {
        // The push is held within its first visit: the readings are locked by another.
        QSqlDatabase superuser = Superuser();
        QSqlQuery lock(superuser);
        ASSERT_TRUE(lock.exec("BEGIN") && lock.exec("LOCK TABLE readings IN EXCLUSIVE MODE"));
        QProcess program;
        home.run.Start(program, push);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Value("SELECT count(*) FROM pg_locks WHERE NOT granted").toInt() > 0; },
            30000))
            << "the push waits for the readings";
        if (c.trouble == Trouble::Killed) {
            program.kill();
            ASSERT_TRUE(program.waitForFinished(10000));
            EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
            ASSERT_TRUE(lock.exec("ROLLBACK"));
        } else {
            QString error;
            ASSERT_TRUE(server_->Stop(error)) << error.toStdString();
            ASSERT_TRUE(program.waitForFinished(30000));
            EXPECT_EQ(program.exitCode(), c.status);
            const QByteArray said = program.readAllStandardError();
            EXPECT_TRUE(said.contains(c.said)) << said.toStdString();
            lock.clear();
            superuser.close();
            ASSERT_TRUE(server_->Start(error)) << error.toStdString();
        }
        EXPECT_EQ(Value("SELECT count(*) FROM visits WHERE serial_number = ?", {serial}).toInt(), 0)
            << "no part of a visit is seen";
    } else if (c.trouble == Trouble::AtOnce) {
        std::vector<std::unique_ptr<QProcess>> programs;
        for (const auto& each : homes) {
            programs.push_back(std::make_unique<QProcess>());
            each->run.Start(*programs.back(),
                            {"records", "push", "--database", server_->Url(each->user)});
        }
        int sent = 0;
        const QRegularExpression said("^(\\d+) visits? sent, (\\d+) already there.\n$");
        for (const auto& program : programs) {
            ASSERT_TRUE(program->waitForFinished(60000));
            EXPECT_EQ(program->exitCode(), 0) << program->readAllStandardError().toStdString();
            const QRegularExpressionMatch match =
                said.match(QString::fromUtf8(program->readAllStandardOutput()));
            ASSERT_TRUE(match.hasMatch());
            sent += match.captured(1).toInt();
            EXPECT_EQ(match.captured(1).toInt() + match.captured(2).toInt(), 3);
        }
        EXPECT_EQ(sent, 22) << "each visit sent once";
    } else {
        for (const auto& each : homes) {
            // Bob's URL names the socket folder percent-encoded in place of a host name.
            QString url =
                each->user == "bob"
                    ? QStringLiteral("postgresql://bob@%1/merrowby")
                          .arg(QString::fromUtf8(QUrl::toPercentEncoding(server_->SocketFolder())))
                    : server_->Url(each->user);
            if (c.trouble == Trouble::PasswordInTheUrl) {
                url.replace("alice@", "alice:alice%20secret@");
            }
            const ProgramRun::Result result = each->run.Run({"records", "push", "--database", url});
            EXPECT_EQ(result.status, c.status);
            if (c.status == 0) {
                EXPECT_EQ(result.out, c.said);
            } else {
                EXPECT_TRUE(result.err.contains(c.said)) << result.err.toStdString();
            }
        }
    }

    if (c.next != nullptr) {
        const ProgramRun::Result next = home.run.Run(push);
        EXPECT_EQ(next.status, 0) << next.err.toStdString();
        EXPECT_EQ(next.out, c.next);
    }
    EXPECT_EQ(Value("SELECT count(*) FROM visits v WHERE serial_number = ? AND NOT EXISTS "
                    "(SELECT 1 FROM records r WHERE r.visit = v.id)",
                    {serial})
                  .toInt(),
              0)
        << "each visit is kept with its record";
    EXPECT_EQ(Value("SELECT count(*) FROM visits WHERE serial_number = ?", {serial}).toInt(),
              c.visits);

    if (c.trouble == Trouble::SameRecordTwice) {
        // A record that grew since it was sent is sent again, and stands for its visit.
        const QString grown = QDir(home.Records()).filePath("2026-03-02_0001.jsonl");
        QFile file(grown);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(Line({{"event", "note"}, {"time", "2026-03-02T10:30:00.000Z"}}));
        file.close();
        const ProgramRun::Result again = home.run.Run(push);
        EXPECT_EQ(again.out, "1 visit sent, 1 already there.\n") << again.err.toStdString();
        EXPECT_EQ(Value("SELECT jsonb_array_length(lines) FROM records JOIN visits ON id = visit "
                        "WHERE report_number = ? ORDER BY size DESC LIMIT 1",
                        {QStringLiteral("SR-%1-1").arg(c.name)})
                      .toInt(),
                  6);
    }
    if (c.visits == 0) {
        return;
    }
    const ProgramRun::Result history =
        home.run.Run({"history", serial, "--json", "--database", server_->Url(home.user)});
    ASSERT_EQ(history.status, 0) << history.err.toStdString();
    const QJsonArray visits =
        QJsonDocument::fromJson(history.out).object().value("visits").toArray();
    ASSERT_EQ(visits.size(), c.visits) << history.out.toStdString();
    if (c.trouble != Trouble::None) {
        return;
    }
    // Alice's visit and Bob's, and sensor 2's drift between them.
    EXPECT_EQ(visits[0].toObject().value("report_number").toString(),
              QStringLiteral("SR-%1-0").arg(c.name));
    EXPECT_EQ(visits[1].toObject().value("report_number").toString(),
              QStringLiteral("SR-%1-1").arg(c.name));
    const QJsonArray drift = visits[1].toObject().value("drift").toArray();
    ASSERT_EQ(drift.size(), 8);
    EXPECT_NEAR(drift[2].toObject().value("volts").toDouble(), 0.125, 1e-9);
    EXPECT_NEAR(drift[3].toObject().value("volts").toDouble(-1), 0.0, 1e-9);

    // Bob's report names Alice's visit from the organisation's database, and says so when it
    // cannot be reached: his own computer knows no earlier visit.
    Home& bob = *homes[1];
    const QString bobsRecord = QDir(bob.Records()).filePath("2026-03-02_0001.jsonl");
    const QString page = bob.run.FilePath("report.html");
    for (const QString& url : {server_->Url("bob"), server_->Url("bob", "absent")}) {
        bob.SetDatabase(url);
        ASSERT_EQ(bob.run.Run({"report", bobsRecord, "--output", page}).status, 0);
        QFile html(page);
        ASSERT_TRUE(html.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(html.readAll());
        const bool reached = url == server_->Url("bob");
        EXPECT_EQ(text.contains(QStringLiteral("SR-%1-0").arg(c.name)), reached);
        EXPECT_EQ(text.contains("The organisation's database cannot be reached"), !reached);
        EXPECT_EQ(text.contains("No earlier visit of this instrument is recorded."), !reached);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PushTest, ::testing::ValuesIn(kPushCases),
                         [](const ::testing::TestParamInfo<PushCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(OrganisationHistoryTest, ATechnicianAddsAndReadsButNeitherChangesNorRemovesAVisit) {
    Home home;
    home.Add(
        "2026-04-01_09-00-00.jsonl",
        Record("SR-roles", "SN-roles", QDateTime(QDate(2026, 4, 1), QTime(9, 0), Qt::UTC), 4.5));
    home.run.SetEnvironment("PGPASSWORD", "alice secret");
    ASSERT_EQ(home.run.Run({"records", "push", "--database", server_->Url("alice")}).out,
              "1 visit sent, 0 already there.\n");
    QSqlDatabase alice = QSqlDatabase::addDatabase("QPSQL", "alice");
    alice.setHostName(server_->SocketFolder());
    alice.setUserName("alice");
    alice.setPassword("alice secret");
    alice.setDatabaseName("merrowby");
    ASSERT_TRUE(alice.open()) << alice.lastError().text().toStdString();
    {
        QSqlQuery query(alice);
        EXPECT_TRUE(
            query.exec("SELECT count(*) FROM visits JOIN readings ON visit = id "
                       "JOIN records USING (visit)"));
        for (const char* statement :
             {"UPDATE visits SET customer = 'other' WHERE report_number = 'SR-roles'",
              "DELETE FROM readings", "DELETE FROM records", "DELETE FROM visits",
              "TRUNCATE visits CASCADE", "DROP TABLE records"}) {
            EXPECT_FALSE(query.exec(statement)) << statement;
            EXPECT_EQ(query.lastError().nativeErrorCode(), "42501") << statement;
        }
    }
    alice.close();
    alice = QSqlDatabase();
    QSqlDatabase::removeDatabase("alice");
    EXPECT_EQ(Value("SELECT customer FROM visits WHERE report_number = 'SR-roles'").toString(),
              "Northfield Lab");
}

// The window's pusher: told once when it cannot send, and what it could not send sent at the
// next start, the visit under way left for its end.
TEST_F(OrganisationHistoryTest, TheWindowsPushTellsOnceAndSendsAtTheNextStart) {
    Home home;
    const QDateTime day(QDate(2026, 5, 4), QTime(9, 0), Qt::UTC);
    home.Add("2026-05-04_09-00-00.jsonl", Record("SR-window-0", "SN-window", day, 4.5));
    home.Add("2026-05-04_10-00-00.jsonl",
             Record("SR-window-1", "SN-window", day.addSecs(3600), 4.5));
    const QString current = home.Add("2026-05-04_11-00-00.jsonl",
                                     Record("SR-window-2", "SN-window", day.addSecs(7200), 4.5));
    qputenv("PGPASSWORD", "alice secret");
    QString error;
    const std::optional<DatabaseUrl> url = DatabaseUrl::Parse(server_->Url("alice"), error);
    ASSERT_TRUE(url) << error.toStdString();
    QStringList told;
    const auto tell = [&told](const QString& message) { told << message; };

    ASSERT_TRUE(server_->Stop(error)) << error.toStdString();
    {
        BackgroundPush offline(*url, home.Records(), tell, current);
        EXPECT_FALSE(offline.Wait().error.isEmpty());
        offline.Request();
        EXPECT_FALSE(offline.Wait().error.isEmpty());
    }
    ASSERT_EQ(told.size(), 1) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].startsWith(
        "The service records could not be sent to the organisation's database: "));

    ASSERT_TRUE(server_->Start(error)) << error.toStdString();
    BackgroundPush online(*url, home.Records(), tell, current);
    const RecordPush::Result atStart = online.Wait();
    EXPECT_EQ(atStart.Summary(), "2 visits sent, 0 already there.") << atStart.error.toStdString();
    online.Request();
    EXPECT_EQ(online.Wait().Summary(), "1 visit sent, 2 already there.");
    EXPECT_EQ(told.size(), 1);
    qunsetenv("PGPASSWORD");
}

}  // namespace
