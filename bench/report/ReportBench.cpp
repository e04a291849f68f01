// What the service report window's refresh costs the window thread while a dump runs: the
// report read from the visit's events and its document made, dump picture included, for a
// running dump of 1,000 to 100,000 samples (100,000 is about 25 hours at the dump's rate).
//
//   QT_QPA_PLATFORM=offscreen build/bench/report/report_bench
#include <benchmark/benchmark.h>

#include <QJsonArray>
#include <QTextDocument>

#include "record/VisitRecord.h"
#include "report/ReportDocument.h"
#include "report/ServiceReport.h"

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

}  // namespace
