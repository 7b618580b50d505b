// One clock run and one countdown run, as every 100 ms in the program: the real clock and
// Main's own field store, built from its model's labels.

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "engine/clock_run.h"
#include "engine/countdown_run.h"
#include "engine/failure_log.h"
#include "engine/fields.h"
#include "main_window/main_model.h"
#include "platform/forms/forms.h"
#include "platform/posix/posix_clock.h"

namespace {

// Whatever today's date, let every countdown run go to its end: December needs CurYearVal,
// which only 2012 and 2013 write, and a month without a rule needs a number in EndDays, which
// a manual run gives.
void prepare(engine::FieldStore& fields, const engine::Clock& clock) {
    fields.set("CurYearVal", "365");
    engine::clock_run(fields, clock);
    benchmark::DoNotOptimize(engine::manual_countdown_run(fields));
}

void BM_ClockAndCountdownRun(benchmark::State& state) {
    const auto specs = forms::label_fields(main_window::kMain);
    engine::FieldStore fields(specs);
    const engine::ClockFields clock_at(fields);  // looked up once, as Main does at load
    const engine::CountdownFields countdown_at(fields);
    const platform::PosixClock clock;
    int stops = 0;
    const engine::CountdownActions actions{.stop_timer = [&] { ++stops; }, .open_arrival_window = [] {}};
    prepare(fields, clock);
    for (auto _ : state) {
        engine::clock_run(fields, clock_at, clock);
        benchmark::DoNotOptimize(engine::countdown_run(fields, countdown_at, actions));
        benchmark::DoNotOptimize(fields.get("Final").data());
    }
    state.counters["stops"] = stops;
}
BENCHMARK(BM_ClockAndCountdownRun);

// The same pair with a repaint-style observer, as the Qt layer installs on Main's store.
void BM_ClockAndCountdownRunObserved(benchmark::State& state) {
    const auto specs = forms::label_fields(main_window::kMain);
    engine::FieldStore fields(specs);
    const engine::ClockFields clock_at(fields);  // looked up once, as Main does at load
    const engine::CountdownFields countdown_at(fields);
    std::size_t changed = 0;
    fields.on_change([&](std::size_t, const std::string& text) { changed += text.size(); });
    const platform::PosixClock clock;
    const engine::CountdownActions actions{.stop_timer = [] {}, .open_arrival_window = [] {}};
    prepare(fields, clock);
    for (auto _ : state) {
        engine::clock_run(fields, clock_at, clock);
        benchmark::DoNotOptimize(engine::countdown_run(fields, countdown_at, actions));
    }
    benchmark::DoNotOptimize(changed);
}
BENCHMARK(BM_ClockAndCountdownRunObserved);

// A countdown run that fails at its stop test, reported through the failure log: the
// common case in January and May to November before any manual run.
void BM_FailingCountdownRunThroughLog(benchmark::State& state) {
    const auto specs = forms::label_fields(main_window::kMain);
    engine::FieldStore fields(specs);
    const engine::ClockFields clock_at(fields);  // looked up once, as Main does at load
    const engine::CountdownFields countdown_at(fields);
    fields.set("CurMon", "6");
    fields.set("CurDay", "15");
    fields.set("CurHour", "12");
    fields.set("CurMin", "0");
    fields.set("CurSec", "0");
    fields.set("MonName", "June");
    std::ostringstream sink;
    engine::FailureLog log(sink, "countdown run");
    const engine::CountdownActions actions{.stop_timer = [] {}, .open_arrival_window = [] {}};
    for (auto _ : state) benchmark::DoNotOptimize(log.record(engine::countdown_run(fields, countdown_at, actions)));
}
BENCHMARK(BM_FailingCountdownRunThroughLog);

// The parts of the pair: one reading of the real clock (a clock run takes seven), and a
// countdown run alone.
void BM_ClockReading(benchmark::State& state) {
    const platform::PosixClock clock;
    for (auto _ : state) benchmark::DoNotOptimize(clock.now());
}
BENCHMARK(BM_ClockReading);

void BM_CountdownRun(benchmark::State& state) {
    const auto specs = forms::label_fields(main_window::kMain);
    engine::FieldStore fields(specs);
    const engine::ClockFields clock_at(fields);  // looked up once, as Main does at load
    const engine::CountdownFields countdown_at(fields);
    const platform::PosixClock clock;
    const engine::CountdownActions actions{.stop_timer = [] {}, .open_arrival_window = [] {}};
    prepare(fields, clock);
    for (auto _ : state) benchmark::DoNotOptimize(engine::countdown_run(fields, countdown_at, actions));
}
BENCHMARK(BM_CountdownRun);

}  // namespace

BENCHMARK_MAIN();
