// What the service report window's refresh costs the window thread while a dump runs: the
// report read from the visit's events and its document made, dump picture included, for a
// running dump of 1,000 to 100,000 samples (100,000 is about 25 hours at the dump's rate).
//
// A big report saved as the paginated PDF: every sensor surveyed, 100 to 2,000 changes (tables
// over many pages) and four dumps of 100,000 samples each drawn as vector plots.
//
// And one long unbroken word, which must not freeze the program: 1 MB pasted into the notes
// without a space, then the report shown and saved as a PDF; and a record whose notes line is
// 1 MB without a space opened in the window. The aim is under 2 s each.
//
//   QT_QPA_PLATFORM=offscreen build/bench/report/report_bench
#include <benchmark/benchmark.h>

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimeZone>
#include <cmath>

#include "platform/ui/Feedback.h"
#include "record/VisitRecord.h"
#include "report/ReportDocument.h"
#include "report/ServiceReport.h"
#include "report/ServiceReportWindow.h"

namespace {

void AddRunningDump(VisitRecord& record, int samples) {
    record.Event("discovery", {{"port", "COM1"}, {"device", "/dev/ttyUSB0"}});
    record.Event("dump_start", {{"tube", "left"}, {"spread_limit", 0.5}, {"file", ""}});
    for (int sample = 0; sample < samples; ++sample) {
        const double wobble = (sample % 17) * 0.01;
        record.Event("dump_sample",
                     {{"milliamps", QJsonArray{1.25 + wobble, 0.625, 0.9375 - wobble, 1.5}}});
    }
}

void BM_RefreshDuringDump(benchmark::State& state) {
    VisitRecord record({"1.0", "tech", "bench-pc"});
    AddRunningDump(record, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ReportDocument document(ServiceReport::FromEvents(record.Events()));
        benchmark::DoNotOptimize(document.Document().characterCount());
    }
}
BENCHMARK(BM_RefreshDuringDump)->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000);

ServiceReport BigReport(int changes) {
    const QDateTime start(QDate(2026, 12, 8), QTime(10, 0), QTimeZone(3600));
    ServiceReport report;
    report.reportNumber = QStringLiteral("MRB-20261208-100000-0001");
    report.technician = QStringLiteral("Jane Q. Doe");
    report.details = {"OT-800", "SN 40117", "A-17", "Northgate Clinical Lab", "Room 12", "Annual"};
    report.started = start;
    report.ended = start.addSecs(8 * 3600);
    report.asFoundSurveyed = true;
    report.asFoundTime = start;
    report.asLeftTime = report.ended;
    for (int s = 0; s < ServiceReport::kSensorCount; ++s) {
        for (auto* readings : {&report.asFound[s], &report.asLeft[s]}) {
            readings->voltage = {QStringLiteral("4.%1 V").arg(s), start, {}};
            readings->current = {QStringLiteral("1.2%1 mA").arg(s), start, {}};
            readings->tripPoint = {QStringLiteral("0.6%1 mA").arg(s), start, {}};
            readings->powerLevel = {QStringLiteral("5.%1 mW").arg(s), start, {}};
            readings->status = {QStringLiteral("Enabled, trained"), start, {}};
        }
    }
    report.summary = QStringLiteral("As left: 8 of 8 sensors in order.");
    for (int i = 0; i < changes; ++i) {
        report.changes.push_back({start.addSecs(i),
                                  QStringLiteral("Voltage of sensor %1 set to "
                                                 "4.800 V (code 7AE)")
                                      .arg(i % 8),
                                  QStringLiteral("4.537 V"), QStringLiteral("VOLTAGE 7AE")});
    }
    for (int d = 0; d < 4; ++d) {
        ServiceReport::Dump dump;
        dump.tube = d % 2 ? QStringLiteral("right") : QStringLiteral("left");
        dump.firstSensor = d % 2 ? 4 : 0;
        dump.start = start.addSecs(3600 * d);
        dump.end = dump.start.addSecs(25000);
        dump.ended = true;
        dump.spreadLimit = 0.02;
        dump.rows.reserve(100000);
        for (int i = 0; i < 100000; ++i) {
            const double wave = std::sin(i / 300.0) * 0.01;
            dump.rows.push_back({i * 0.25, {1.25 + wave, 0.94 - wave, 1.1 + wave / 2, 1.5}});
        }
        dump.samples = 100000;
        for (int c = 0; c < CurrentRow::kColumns; ++c) {
            dump.maximum[c] = dump.rows[0].milliamps[c] + 0.01;
            dump.minimum[c] = dump.rows[0].milliamps[c] - 0.01;
        }
        report.dumps.push_back(std::move(dump));
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

// Message boxes would wait for a click.
class SilentFeedback : public ui::Feedback {
  public:
    SilentFeedback() { ui::Feedback::Install(this); }
    ~SilentFeedback() override { ui::Feedback::Install(nullptr); }
    SilentFeedback(const SilentFeedback&) = delete;
    SilentFeedback& operator=(const SilentFeedback&) = delete;
    void Beep() override {}
    void Message(QWidget*, const QString&) override {}
    bool Ask(QWidget*, const QString&) override { return false; }
};

constexpr int kUnbrokenBytes = 1000 * 1000;

void BM_UnbrokenNotePastedShownAndSaved(benchmark::State& state) {
    const SilentFeedback quiet;
    QTemporaryDir folder;
    const QString unbroken(kUnbrokenBytes, QLatin1Char('x'));
    for (auto _ : state) {
        VisitRecord record({"1.0", "tech", "bench-pc"});
        ServiceReportWindow window(record, nullptr);
        window.show();
        QGuiApplication::clipboard()->setText(unbroken);
        window.NotesField()->paste();
        window.CommitNotes();
        window.Refresh();
        if (!window.SaveTo(folder.filePath("report.pdf"))) {
            state.SkipWithError("the PDF was not written");
        }
    }
}
BENCHMARK(BM_UnbrokenNotePastedShownAndSaved)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UnbrokenRecordLineOpened(benchmark::State& state) {
    const SilentFeedback quiet;
    QTemporaryDir folder;
    const QString path = folder.filePath("unbroken.jsonl");
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(R"({"event":"visit","version":1,"time":"2026-12-08T11:40:51.000+01:00"})"
                   "\n");
        const QJsonObject notes{{"event", "notes"}, {"text", QString(kUnbrokenBytes, 'x')}};
        file.write(QJsonDocument(notes).toJson(QJsonDocument::Compact) + '\n');
        const QJsonObject reply{{"event", "go_online"}, {"reply", QString(100000, 'y')}};
        file.write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n');
    }
    VisitRecord record({"1.0", "tech", "bench-pc"});
    ServiceReportWindow window(record, nullptr);
    window.show();
    for (auto _ : state) {
        if (!window.ShowRecord(path)) {
            state.SkipWithError("the record did not open");
        }
        if (!window.SaveTo(folder.filePath("report.pdf"))) {
            state.SkipWithError("the PDF was not written");
        }
        window.ShowCurrentVisit();
    }
}
BENCHMARK(BM_UnbrokenRecordLineOpened)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
