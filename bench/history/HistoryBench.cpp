// The history index's costs, on records made here in a temporary data folder:
// - a visit taken into an index of 1,000 visits at its end (aim: under 50 ms);
// - the index made anew from 1,000 records of 200 KB each, dumps included (aim: under 10 s);
// - "merrowby history SERIAL" over 1,000 visits of 100 instruments, process start to exit, as
//   a ratio to "merrowby --version" (aim: under 100 ms);
// - the index's size per visit (aim: under 2 KB).
//
//   build/bench/history/history_bench --benchmark_filter=-Organisation
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "TimedRun.h"
#include "history/HistoryIndex.h"
#include "tests/support/SurveySensors.h"

namespace {

constexpr int kRecords = 1000;
constexpr int kInstruments = 100;
constexpr qint64 kRecordBytes = 200 * 1024;

QByteArray Line(const QJsonObject& event) {
    return QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
}

// A visit of about 200 KB: two surveys around a dump of the left tube.
QByteArray Record(int number, const QDateTime& started) {
    const QString time = started.toString(Qt::ISODateWithMs);
    const QJsonArray sensors = SurveySensors(4.5 + 0.001 * (number % 50));
    QByteArray record = Line({{"event", "visit"},
                              {"version", 1},
                              {"time", time},
                              {"report_number", QStringLiteral("SR-%1").arg(number)},
                              {"user", "tech"}});
    record += Line({{"event", "report_details"},
                    {"time", time},
                    {"model", "LX 9"},
                    {"serial_number", QStringLiteral("SN-%1").arg(number % kInstruments)},
                    {"customer", "Northfield Lab"},
                    {"technician", "Jane Doe"}});
    const QJsonObject survey{{"event", "survey"}, {"time", time}, {"sensors", sensors}};
    record += Line(survey);
    record += Line({{"event", "dump_start"}, {"time", time}, {"tube", "left"}});
    const QByteArray sample =
        Line({{"event", "dump_sample"},
              {"time", time},
              {"port", "COM2"},
              {"device", "/dev/ttyUSB0"},
              {"milliamps", QJsonArray{1.2345678, 1.2345678, 1.2345678, 1.2345678}}});
    while (record.size() < kRecordBytes - 4096) {
        record += sample;
    }
    record += Line({{"event", "dump_end"}, {"time", time}, {"tube", "left"}});
    record += Line(survey);
    record += Line({{"event", "exit"}, {"time", time}});
    return record;
}

// The data folder of the benchmarks: 1,000 records, made once.
class Records {
  public:
    Records() {
        QDir().mkpath(Folder());
        const QDateTime first(QDate(2024, 1, 1), QTime(9, 0), Qt::UTC);
        for (int n = 0; n < kRecords; ++n) {
            const QDateTime started = first.addSecs(3600LL * 24 * n / 3);
            QFile file(QDir(Folder()).filePath(
                started.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + ".jsonl"));
            if (!file.open(QIODevice::WriteOnly) || file.write(Record(n, started)) < 0) {
                ok = false;
            }
        }
    }
    QString Folder() const { return home.filePath("data/merrowby/records"); }
    QString Database() const { return HistoryIndex::PathFor(Folder()); }

    QTemporaryDir home;
    bool ok = true;
};

const Records& TheRecords() {
    static const Records records;
    return records;
}

bool Rebuild(const Records& records, QString& error) {
    QFile::remove(records.Database());
    HistoryIndex index(records.Database());
    if (!index.Open(error)) {
        return false;
    }
    const HistoryIndex::UpdateResult result = index.Update(records.Folder(), nullptr);
    error = result.error;
    return error.isEmpty() && result.indexed == kRecords;
}

void BM_RebuildFrom1000Records(benchmark::State& state) {
    const Records& records = TheRecords();
    QString error;
    for (auto _ : state) {
        if (!records.ok || !Rebuild(records, error)) {
            state.SkipWithError(qPrintable(QStringLiteral("rebuild failed: ") + error));
            return;
        }
    }
    state.counters["index_bytes_per_visit"] =
        static_cast<double>(QFileInfo(records.Database()).size()) / kRecords;
}
BENCHMARK(BM_RebuildFrom1000Records)->Unit(benchmark::kMillisecond)->Iterations(1);

// A visit that just ended taken into the index of the 1,000 others.
void BM_IndexAVisitAtItsEnd(benchmark::State& state) {
    const Records& records = TheRecords();
    QString error;
    HistoryIndex index(records.Database());
    if (!index.Open(error) || !index.Update(records.Folder(), nullptr).error.isEmpty()) {
        state.SkipWithError("no index");
        return;
    }
    const QString path = QDir(records.Folder()).filePath("2030-01-01_09-00-00.jsonl");
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(Record(kRecords + n++, QDateTime(QDate(2030, 1, 1), QTime(9, 0), Qt::UTC)));
        file.close();
        state.ResumeTiming();
        const HistoryIndex::UpdateResult result = index.Update(records.Folder(), nullptr);
        if (result.indexed != 1) {
            state.SkipWithError("the visit was not indexed");
            return;
        }
    }
    QFile::remove(path);
    index.Update(records.Folder(), nullptr);
}
BENCHMARK(BM_IndexAVisitAtItsEnd)->Unit(benchmark::kMillisecond)->Iterations(20);

qint64 RunMs(const Records& records, const QStringList& arguments, QByteArray& out) {
    return TimedRunMs(records.home.path(), arguments, out, 60000);
}

void BM_HistoryCommandOver1000Visits(benchmark::State& state) {
    const Records& records = TheRecords();
    QByteArray out;
    if (RunMs(records, {"history"}, out) < 0) {  // the index brought up to date first
        state.SkipWithError("merrowby history failed");
        return;
    }
    qint64 history = 0;
    qint64 version = 0;
    for (auto _ : state) {
        history += RunMs(records, {"history", "SN-42", "--json"}, out);
        state.PauseTiming();
        QByteArray versionOut;
        version += RunMs(records, {"--version"}, versionOut);
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["history_ms"] = static_cast<double>(history) / runs;
    state.counters["version_ms"] = static_cast<double>(version) / runs;
    state.counters["ratio_to_version"] =
        static_cast<double>(history) / static_cast<double>(version);
    state.counters["visits_printed"] = static_cast<double>(out.count("\"report_number\""));
}
BENCHMARK(BM_HistoryCommandOver1000Visits)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
