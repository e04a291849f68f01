// What the report's forms cost, from a report already read:
// - BM_BigReportToPdf: a big report saved as the paginated PDF: every sensor surveyed, 100 to
//   2,000 changes (a table over many pages) and four ended dumps of 100,000 samples each drawn as
//   vector plots; the PDF's size beside it;
// - BM_DocumentOfRunningDump: the window's document of a report whose dump of 1,000 to 100,000
//   samples is still running (its extremes taken from the samples), dump picture included: the
//   part of the window's refresh that is the presentation's;
// - BM_DumpPictureOfRunningDump: that dump's picture alone.
//
//   QT_QPA_PLATFORM=offscreen build/bench/report/report_pdf_bench
#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimeZone>
#include <cmath>

#include "report/DumpPicture.h"
#include "report/ReportDocument.h"
#include "report/ServiceReport.h"

namespace {

const QDateTime kStart(QDate(2026, 12, 8), QTime(10, 0), QTimeZone(3600));

ServiceReport::Dump Dump(int samples, bool ended) {
    ServiceReport::Dump dump;
    dump.tube = QStringLiteral("left");
    dump.start = kStart;
    dump.end = kStart.addSecs(samples / 4);
    dump.ended = ended;
    dump.spreadLimit = 0.02;
    dump.rows.reserve(samples);
    for (int i = 0; i < samples; ++i) {
        const double wave = std::sin(i / 300.0) * 0.01;
        dump.rows.push_back({i * 0.25, {1.25 + wave, 0.94 - wave, 1.1 + wave / 2, 1.5}});
    }
    dump.samples = samples;
    for (int c = 0; c < CurrentRow::kColumns; ++c) {
        dump.maximum[c] = dump.rows[0].milliamps[c] + 0.01;
        dump.minimum[c] = dump.rows[0].milliamps[c] - 0.01;
    }
    return dump;
}

ServiceReport BigReport(int changes) {
    ServiceReport report;
    report.reportNumber = QStringLiteral("MRB-20261208-100000-0001");
    report.technician = QStringLiteral("Jane Q. Doe");
    report.details = {"OT-800",  "SN 40117", "A-17",         "Northgate Clinical Lab",
                      "Room 12", "Annual",   "Dr. R. Okafor"};
    report.started = kStart;
    report.ended = kStart.addSecs(8 * 3600);
    report.asFoundSurveyed = true;
    report.asFoundTime = kStart;
    report.asLeftTime = report.ended;
    for (int s = 0; s < ServiceReport::kSensorCount; ++s) {
        for (auto* readings : {&report.asFound[s], &report.asLeft[s]}) {
            readings->voltage = {QStringLiteral("4.%1 V").arg(s), kStart, {}};
            readings->current = {QStringLiteral("1.2%1 mA").arg(s), kStart, {}};
            readings->tripPoint = {QStringLiteral("0.6%1 mA").arg(s), kStart, {}};
            readings->powerLevel = {QStringLiteral("5.%1 mW").arg(s), kStart, {}};
            readings->status = {QStringLiteral("Enabled, trained"), kStart, {}};
        }
    }
    report.summary = QStringLiteral("As left: 8 of 8 sensors in order.");
    for (int i = 0; i < changes; ++i) {
        report.changes.push_back(
            {kStart.addSecs(i),
             QStringLiteral("Voltage of sensor %1 set to 4.800 V (code 7AE)").arg(i % 8),
             QStringLiteral("4.537 V"), QStringLiteral("VOLTAGE 7AE")});
    }
    for (int d = 0; d < 4; ++d) {
        report.dumps.push_back(Dump(100000, true));
        report.dumps.back().firstSensor = d % 2 ? 4 : 0;
    }
    return report;
}

void BM_BigReportToPdf(benchmark::State& state) {
    QTemporaryDir folder;
    ReportDocument document(BigReport(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        if (!document.SavePdf(folder.filePath("report.pdf")).isEmpty()) {
            state.SkipWithError("the PDF was not written");
        }
    }
    state.counters["bytes"] = double(QFileInfo(folder.filePath("report.pdf")).size());
}
BENCHMARK(BM_BigReportToPdf)->Unit(benchmark::kMillisecond)->Arg(100)->Arg(2000);

void BM_DocumentOfRunningDump(benchmark::State& state) {
    ServiceReport report;
    report.started = kStart;
    report.ended = kStart;
    report.dumps.push_back(Dump(static_cast<int>(state.range(0)), false));
    for (auto _ : state) {
        ReportDocument document(report);
        benchmark::DoNotOptimize(document.Document().characterCount());
    }
}
BENCHMARK(BM_DocumentOfRunningDump)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);

void BM_DumpPictureOfRunningDump(benchmark::State& state) {
    const ServiceReport::Dump dump = Dump(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DumpPicture::Render(dump).width());
    }
}
BENCHMARK(BM_DumpPictureOfRunningDump)->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(100000);

}  // namespace
