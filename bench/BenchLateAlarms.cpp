// What working out the alarms missed while the program was not running adds to a start: the recorded
// last second read from the settings, and the alarm watch resumed from it over a gap of a day and of a week.

#include "settings/AlarmCoverage.h"
#include "settings/SettingsStore.h"
#include "store/AlarmWatch.h"
#include "store/Recurrence.h"
#include "support/BenchMain.h"
#include "support/EntryGenerator.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const QDateTime Start(QDate(2014, 6, 12), QTime(14, 30, 0));

// range(0): entries; range(1): days since the last run.
void BM_LateAlarmsAtStart(benchmark::State& state)
{
    const ScheduleTable& table = EntryGenerator::sharedTable(size_t(state.range(0)));
    const qint64 gapDays = state.range(1);
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("Zentravio.conf")));
    {
        AlarmCoverage previousRun(settings);
        previousRun.covered(Recurrence::wallSecond(Start.addDays(-gapDays)));
    }
    size_t late = 0;
    for (auto _ : state) {
        AlarmCoverage coverage(settings);
        AlarmWatch watch;
        if (const std::optional<qint64> covered = coverage.recorded())
            watch.resumeFrom(*covered);
        late += watch.dueOccurrences(table, Start).size();
    }
    state.counters["late_windows"] = double(late) / double(state.iterations());
}

} // namespace

BENCHMARK(BM_LateAlarmsAtStart)
    ->Args({1000, 7})
    ->Args({100000, 1})
    ->Args({100000, 7})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
