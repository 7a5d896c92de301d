// The calendar exchange of a long diary: an export of every entry to an iCalendar file, and an import of
// such a file into an empty schedule, each timed as a whole (open, write or read, commit). Both must stay
// under 5 s for 100,000 entries.

#include "exchange/IcsExport.h"
#include "exchange/IcsImport.h"
#include "store/ScheduleDatabase.h"
#include "support/EntryGenerator.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <map>

namespace {

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

const QDateTime Stamp(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());

// Files made once per size for the whole run: the generated diary, and its export for the import.
QString madeOnce(const QString& name, size_t entries, const std::function<void(const QString&)>& make)
{
    static std::map<QString, QString> made;
    const QString key = name.arg(entries);
    if (!made.count(key)) {
        made[key] = folder().filePath(key);
        make(made[key]);
    }
    return made[key];
}

QString scheduleWith(size_t entries)
{
    return madeOnce(QStringLiteral("diary-%1.vmr"), entries, [&](const QString& path) {
        EntryGenerator::writeScheduleFile(path, EntryGenerator::generate(entries));
    });
}

QString calendarWith(size_t entries)
{
    return madeOnce(QStringLiteral("diary-%1.ics"), entries, [&](const QString& path) {
        const auto database = ScheduleDatabase::open(scheduleWith(entries), nullptr);
        if (!database || !IcsExport::write(database->table(), path, Stamp).ok)
            std::abort();
    });
}

// Times each run as a whole, the removal of the last run's output left out; the counter is what the last
// run wrote or added.
void timeRuns(benchmark::State& state, const QString& output, const char* counter,
              const std::function<qint64()>& run)
{
    qint64 count = 0;
    for (auto _ : state) {
        QFile::remove(output);
        const auto start = std::chrono::steady_clock::now();
        count = run();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters[counter] = double(count);
}

void BM_Export(benchmark::State& state)
{
    const QString schedule = scheduleWith(size_t(state.range(0)));
    const QString target = folder().filePath(QStringLiteral("export.ics"));
    timeRuns(state, target, "written", [&] {
        const auto database = ScheduleDatabase::open(schedule, nullptr);
        const IcsExport::Result result = IcsExport::write(database->table(), target, Stamp);
        if (!result.ok)
            std::abort();
        return result.written;
    });
}

void BM_Import(benchmark::State& state)
{
    const QString calendar = calendarWith(size_t(state.range(0)));
    const QString target = folder().filePath(QStringLiteral("import.vmr"));
    timeRuns(state, target, "added", [&] {
        ScheduleDatabase::CreateDatabaseFile(target);
        const auto database = ScheduleDatabase::open(target, nullptr);
        const IcsImport::Result result = IcsImport::run(*database, calendar, QTimeZone::systemTimeZone());
        if (!result.ok)
            std::abort();
        return result.added;
    });
}

} // namespace

BENCHMARK(BM_Export)->Arg(1000)->Arg(100000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Arg(1000)->Arg(100000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
