// The organisation's history on a PostgreSQL 15 server started here (as the tests start it):
// - a visit of about 200 KB pushed, connection included (aim: under 50 ms);
// - "merrowby history SERIAL --database URL" over 10,000 visits of 1,000 instruments, process
//   start to exit (aim: under 150 ms), as a ratio to the same query on the local index.
//
//   build/bench/history/history_bench --benchmark_filter=Organisation
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <memory>

#include "PostgresServer.h"
#include "TimedRun.h"
#include "history/HistoryIndex.h"
#include "history/RecordPush.h"
#include "tests/support/SurveySensors.h"

namespace {

constexpr int kVisits = 10000;
constexpr int kInstruments = 1000;
constexpr const char* kPassword = "bench secret";

QByteArray Line(const QJsonObject& event) {
    return QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
}

// A visit: a survey as found and as left around `samples` dump samples.
QByteArray Visit(int number, const QDateTime& started, int samples) {
    const QString time = started.toString(Qt::ISODateWithMs);
    const QJsonArray sensors = SurveySensors(4.5 + 0.001 * (number % 50));
    const QByteArray survey = Line({{"event", "survey"}, {"time", time}, {"sensors", sensors}});
    QByteArray record = Line({{"event", "visit"},
                              {"version", 1},
                              {"time", time},
                              {"report_number", QStringLiteral("SR-%1").arg(number)},
                              {"user", "tech"}}) +
                        Line({{"event", "report_details"},
                              {"time", time},
                              {"model", "LX 9"},
                              {"serial_number", QStringLiteral("SN-%1").arg(number % kInstruments)},
                              {"customer", "Northfield Lab"}}) +
                        survey;
    const QByteArray sample = Line({{"event", "dump_sample"},
                                    {"time", time},
                                    {"port", "COM2"},
                                    {"milliamps", QJsonArray{1.2345678, 1.2345678, 1.2345678}}});
    for (int n = 0; n < samples; ++n) {
        record += sample;
    }
    return record + survey + Line({{"event", "exit"}, {"time", time}});
}

QString FileName(const QDateTime& started) {
    return started.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + ".jsonl";
}

// The server with 10,000 visits, and the same visits as records of a local data folder.
class Organisation {
  public:
    Organisation() {
        QDir().mkpath(Records());
        if (!PostgresServer::Missing().isEmpty() || !server.Start(error) ||
            !server.Psql({"--command=CREATE DATABASE merrowby"}, error)) {
            error = PostgresServer::Missing() + error;
            return;
        }
        qputenv("PGPASSWORD", kPassword);
        server.Psql({"--command=ALTER ROLE postgres PASSWORD '" + QString(kPassword) + "'"}, error);
        url = DatabaseUrl::Parse(server.Url("postgres"), error);
        HistoryIndex index(*url);
        if (!index.Open(error)) {
            return;
        }
        const QDateTime first(QDate(2020, 1, 1), QTime(9, 0), Qt::UTC);
        for (int n = 0; n < kVisits; ++n) {
            const QDateTime started = first.addSecs(3600LL * 5 * n);
            QFile file(QDir(Records()).filePath(FileName(started)));
            if (!file.open(QIODevice::WriteOnly) || file.write(Visit(n, started, 0)) < 0) {
                error = file.errorString();
                return;
            }
            file.close();
            QString readError;
            const std::optional<VisitSummary> visit =
                VisitSummary::FromRecord(file.fileName(), nullptr, readError);
            const std::optional<HistoryIndex::RecordCopy> copy =
                RecordPush::CopyOf(file.fileName());
            if (!visit || !copy || !index.AddRecord(*copy, *visit, error)) {
                error += readError;
                return;
            }
        }
        Run({"history"});  // the local index made
        ready = true;
    }

    QString Records() const { return home.filePath("data/merrowby/records"); }

    qint64 Run(const QStringList& arguments) {
        return TimedRunMs(home.path(), arguments, out, 120000);
    }

    PostgresServer server;
    QTemporaryDir home;
    std::optional<DatabaseUrl> url;
    QString error;
    QByteArray out;
    bool ready = false;
};

Organisation& TheOrganisation() {
    static Organisation organisation;
    return organisation;
}

void BM_OrganisationPushAVisit(benchmark::State& state) {
    Organisation& organisation = TheOrganisation();
    if (!organisation.ready) {
        state.SkipWithError(qPrintable(organisation.error));
        return;
    }
    QTemporaryDir laptop;
    const QDateTime started(QDate(2031, 1, 1), QTime(9, 0), Qt::UTC);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(laptop.path()).removeRecursively();
        QDir().mkpath(laptop.path());
        const QDateTime visitStarted = started.addSecs(n);
        QFile file(QDir(laptop.path()).filePath(FileName(visitStarted)));
        file.open(QIODevice::WriteOnly);
        file.write(Visit(kVisits + n, visitStarted, 1500));  // about 200 KB
        ++n;
        file.close();
        state.ResumeTiming();
        const RecordPush::Result result =
            RecordPush::Push(*organisation.url, laptop.path(), nullptr);
        if (result.sent != 1) {
            state.SkipWithError(qPrintable("not sent: " + result.error));
            return;
        }
    }
}
BENCHMARK(BM_OrganisationPushAVisit)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_OrganisationHistoryOf10000Visits(benchmark::State& state) {
    Organisation& organisation = TheOrganisation();
    if (!organisation.ready) {
        state.SkipWithError(qPrintable(organisation.error));
        return;
    }
    const QString url = organisation.server.Url("postgres");
    qint64 server = 0;
    qint64 local = 0;
    int printed = 0;
    for (auto _ : state) {
        server += organisation.Run({"history", "SN-42", "--json", "--database", url});
        printed = static_cast<int>(organisation.out.count("\"report_number\""));
        state.PauseTiming();
        local += organisation.Run({"history", "SN-42", "--json"});
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["database_ms"] = static_cast<double>(server) / runs;
    state.counters["local_index_ms"] = static_cast<double>(local) / runs;
    state.counters["ratio_to_local"] = static_cast<double>(server) / static_cast<double>(local);
    state.counters["visits_printed"] = printed;
}
BENCHMARK(BM_OrganisationHistoryOf10000Visits)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
