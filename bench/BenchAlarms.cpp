// What the once-a-second windows cost on a large schedule: the alarm watch on an ordinary tick and after
// a suspend of three days, the countdown list when nothing changed and when it is worked out again, and
// the countdown text of one entry.

#include "store/AlarmWatch.h"
#include "store/Countdown.h"
#include "support/BenchMain.h"
#include "support/EntryGenerator.h"

#include <benchmark/benchmark.h>

namespace {

// Local time, as the program's clock gives it.
const QDateTime Now(QDate(2014, 6, 12), QTime(14, 30, 0));

void BM_WatchOneSecond(benchmark::State& state)
{
    const ScheduleTable& table = EntryGenerator::sharedTable(size_t(state.range(0)));
    AlarmWatch watch;
    QDateTime now = Now;
    // A day of ticks first, so that the lookups are built and the rung alarms are as many as they will be.
    for (int second = 0; second < 86400; second += 60, now = now.addSecs(60))
        watch.due(table, now);
    size_t rung = 0;
    for (auto _ : state) {
        now = now.addSecs(1);
        rung += watch.due(table, now).size();
    }
    state.counters["rung_per_tick"] = double(rung) / double(state.iterations());
    state.counters["remembered"] = double(watch.rememberedCount());
}

void BM_WatchThreeDayGap(benchmark::State& state)
{
    const ScheduleTable& table = EntryGenerator::sharedTable(size_t(state.range(0)));
    AlarmWatch watch;
    QDateTime now = Now;
    watch.due(table, now);
    size_t rung = 0;
    for (auto _ : state) {
        now = now.addDays(3);
        rung += watch.due(table, now).size();
    }
    state.counters["rung_per_gap"] = double(rung) / double(state.iterations());
}

void BM_UpcomingUnchanged(benchmark::State& state)
{
    const ScheduleTable& table = EntryGenerator::sharedTable(size_t(state.range(0)));
    UpcomingEntries upcoming;
    upcoming.refresh(table, Now);
    for (auto _ : state)
        benchmark::DoNotOptimize(upcoming.refresh(table, Now));
    state.counters["listed"] = double(upcoming.size());
}

void BM_UpcomingWorkedOut(benchmark::State& state)
{
    const ScheduleTable& table = EntryGenerator::sharedTable(size_t(state.range(0)));
    for (auto _ : state) {
        UpcomingEntries upcoming;
        benchmark::DoNotOptimize(upcoming.refresh(table, Now));
    }
}

void BM_CountdownText(benchmark::State& state)
{
    const ScheduleTable& table = EntryGenerator::sharedTable(size_t(state.range(0)));
    UpcomingEntries upcoming;
    upcoming.refresh(table, Now);
    for (auto _ : state)
        benchmark::DoNotOptimize(upcoming.countdownText(0, Now));
}

} // namespace

BENCHMARK(BM_WatchOneSecond)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WatchThreeDayGap)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpcomingUnchanged)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpcomingWorkedOut)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountdownText)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
