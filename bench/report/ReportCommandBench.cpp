// What "merrowby report" costs for a record with a long dump: the real program run on a record
// of 0 and of 100,000 dump samples (about 25 hours of a dump), written to a PDF. Reported per
// run: its time (seconds) and its peak resident memory (max_rss_mb), and for the long record
// both above the empty record's (extra_seconds, extra_rss_mb). The aim is under 0.5 s and
// 30 MB above the empty record.
//
//   build/bench/report/report_command_bench
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <chrono>

extern char** environ;

namespace {

QByteArray Line(const QDateTime& time, const char* kind, const QByteArray& values) {
    return "{\"event\":\"" + QByteArray(kind) + "\",\"time\":\"" +
           time.toString(Qt::ISODateWithMs).toLatin1() + "\"" + values + "}\n";
}

// A record as the program writes it: a visit, a discovery and a dump of `samples`.
bool WriteRecord(const QString& path, int samples) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QDateTime time(QDate(2026, 12, 8), QTime(10, 0), QTimeZone(3600));
    file.write(
        Line(time, "visit",
             ",\"version\":1,\"program\":\"Merrowby\",\"program_version\":\"1.0\","
             "\"user\":\"tech\",\"host\":\"pc\",\"report_number\":\"SR-20261208-100000-0001\""));
    file.write(
        Line(time, "discovery",
             ",\"port\":\"COM1\",\"device\":\"/dev/ttyUSB0\",\"lines\":[\"ONLINE\",\"OFFLINE\"]"));
    file.write(Line(time, "dump_start",
                    ",\"port\":\"COM1\",\"device\":\"/dev/ttyUSB0\",\"tube\":\"left\","
                    "\"spread_limit\":0.02,\"spread_limit_unit\":\"mA\",\"file\":\"\""));
    for (int sample = 0; sample < samples; ++sample) {
        time = time.addMSecs(900);
        const QByteArray wobble = QByteArray::number(1.25 + (sample % 17) * 0.001, 'f', 3);
        file.write(Line(time, "dump_sample",
                        ",\"port\":\"COM1\",\"device\":\"/dev/ttyUSB0\",\"milliamps\":[" + wobble +
                            ",0.625,0.938,1.500]"));
    }
    file.write(Line(time, "dump_end",
                    ",\"tube\":\"left\",\"samples\":" + QByteArray::number(samples) +
                        ",\"spread_limit\":0.02,\"max\":[1.266,0.625,0.938,1.5],\"min\":[1.25,"
                        "0.625,0.938,1.5],\"unit\":\"mA\",\"lamps_lit\":[false,false,false,false],"
                        "\"file\":\"\""));
    file.write(Line(time, "exit", ""));
    return file.error() == QFileDevice::NoError;
}

struct Run {
    double seconds = 0.0;
    double maxRssMb = 0.0;
    bool ok = false;
};

Run ReportOnce(const QString& record, const QString& output) {
    const QByteArray program = MERROWBY_PROGRAM;
    const QByteArray recordName = QFile::encodeName(record);
    const QByteArray outputName = QFile::encodeName(output);
    const char* arguments[] = {program.constData(),    "report", recordName.constData(), "--output",
                               outputName.constData(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (::posix_spawn(&child, program.constData(), nullptr, nullptr,
                      const_cast<char* const*>(arguments), environ) != 0) {
        return {};
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) {
        return {};
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {elapsed.count(), usage.ru_maxrss / 1024.0,
            WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

Run empty;

void BM_ReportCommand(benchmark::State& state) {
    QTemporaryDir folder;
    const int samples = static_cast<int>(state.range(0));
    const QString record = folder.filePath("record.jsonl");
    if (!WriteRecord(record, samples)) {
        state.SkipWithError("the record could not be written");
        return;
    }
    Run slowest;
    for (auto _ : state) {
        const Run run = ReportOnce(record, folder.filePath("report.pdf"));
        if (!run.ok) {
            state.SkipWithError("merrowby report failed");
            return;
        }
        state.SetIterationTime(run.seconds);
        slowest.seconds = std::max(slowest.seconds, run.seconds);
        slowest.maxRssMb = std::max(slowest.maxRssMb, run.maxRssMb);
    }
    state.counters["seconds"] = slowest.seconds;
    state.counters["max_rss_mb"] = slowest.maxRssMb;
    if (samples == 0) {
        empty = slowest;
    } else if (empty.seconds > 0) {
        state.counters["extra_seconds"] = slowest.seconds - empty.seconds;
        state.counters["extra_rss_mb"] = slowest.maxRssMb - empty.maxRssMb;
    }
}
BENCHMARK(BM_ReportCommand)
    ->Arg(0)
    ->Arg(100000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
