// What one event of the service record costs the thread that reports it (the window's):
// the event built, stamped, kept in memory and queued for the writer thread, which writes and
// flushes it to a real file meanwhile. The aim is under 50 us per event.
//
//   build/bench/record/record_bench
#include <benchmark/benchmark.h>

#include <QJsonArray>
#include <QTemporaryDir>
#include <array>

#include "record/VisitRecord.h"

namespace {

const VisitRecord::Origin kOrigin{"1.0", "tech", "bench-pc"};
// Each line is flushed to the disk on its own: a few thousand keep the final drain short.
constexpr benchmark::IterationCount kEvents = 3000;

QJsonObject StatusValues() {
    QJsonObject conditions;
    for (const char* name : {"enabled", "trained", "shorted", "opened", "covered"}) {
        QJsonArray bits;
        for (int sensor = 0; sensor < 8; ++sensor) {
            bits.append(sensor % 2 == 0);
        }
        conditions.insert(QLatin1String(name), QJsonObject{{"byte", "0x55"}, {"sensors", bits}});
    }
    return QJsonObject{{"conditions", conditions}, {"reply", "FF FF 00 00 00"}};
}

template <class MakeValues>
void RecordEvents(benchmark::State& state, const char* kind, MakeValues makeValues) {
    QTemporaryDir folder;
    VisitRecord record(kOrigin);
    if (!record.WriteTo(folder.path()).isEmpty()) {
        state.SkipWithError("the record file could not be made");
        return;
    }
    record.Event("discovery", {{"port", "COM2"}, {"device", "/dev/ttyUSB0"}});
    for (auto _ : state) {
        record.Event(kind, makeValues());
    }
    // Outside the timed loop: the writer thread catches up.
    record.Drain();
    state.SetItemsProcessed(state.iterations());
}

void BM_QueryEvent(benchmark::State& state) {
    RecordEvents(state, "query_voltage", [] {
        return QJsonObject{{"sensor", 3}, {"value", 2.5}, {"unit", "V"}, {"reply", "03FF"}};
    });
}
BENCHMARK(BM_QueryEvent)->Unit(benchmark::kMicrosecond)->Iterations(kEvents);

void BM_StatusEvent(benchmark::State& state) {
    RecordEvents(state, "status", StatusValues);
}
BENCHMARK(BM_StatusEvent)->Unit(benchmark::kMicrosecond)->Iterations(kEvents);

void BM_DumpSampleEvent(benchmark::State& state) {
    RecordEvents(state, "dump_sample", [] {
        return QJsonObject{{"milliamps", QJsonArray{1.25, 0.625, 0.9375, 1.5}}};
    });
}
BENCHMARK(BM_DumpSampleEvent)->Unit(benchmark::kMicrosecond)->Iterations(kEvents);

}  // namespace

BENCHMARK_MAIN();
