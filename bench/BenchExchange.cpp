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
#include <map>

namespace {

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

const QDateTime Stamp(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());

// One schedule file per size, generated once for the run.
QString scheduleWith(size_t entries)
{
    static std::map<size_t, QString> files;
    auto it = files.find(entries);
    if (it != files.end())
        return it->second;
    const QString path = folder().filePath(QStringLiteral("diary-%1.vmr").arg(entries));
    EntryGenerator::writeScheduleFile(path, EntryGenerator::generate(entries));
    return files[entries] = path;
}

// The export of that schedule, made once for the import benchmark.
QString calendarWith(size_t entries)
{
    static std::map<size_t, QString> files;
    auto it = files.find(entries);
    if (it != files.end())
        return it->second;
    const QString path = folder().filePath(QStringLiteral("diary-%1.ics").arg(entries));
    const auto database = ScheduleDatabase::open(scheduleWith(entries), nullptr);
    if (!database || !IcsExport::write(database->table(), path, Stamp).ok)
        std::abort();
    return files[entries] = path;
}

template <typename Work> double secondsOf(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_Export(benchmark::State& state)
{
    const size_t entries = size_t(state.range(0));
    const QString schedule = scheduleWith(entries);
    const QString target = folder().filePath(QStringLiteral("export.ics"));
    qint64 written = 0;
    for (auto _ : state) {
        QFile::remove(target);
        state.SetIterationTime(secondsOf([&] {
            const auto database = ScheduleDatabase::open(schedule, nullptr);
            const IcsExport::Result result = IcsExport::write(database->table(), target, Stamp);
            if (!result.ok)
                std::abort();
            written = result.written;
        }));
    }
    state.counters["written"] = double(written);
}

void BM_Import(benchmark::State& state)
{
    const size_t entries = size_t(state.range(0));
    const QString calendar = calendarWith(entries);
    const QString target = folder().filePath(QStringLiteral("import.vmr"));
    qint64 added = 0;
    for (auto _ : state) {
        QFile::remove(target);
        state.SetIterationTime(secondsOf([&] {
            ScheduleDatabase::CreateDatabaseFile(target);
            const auto database = ScheduleDatabase::open(target, nullptr);
            const IcsImport::Result result = IcsImport::run(*database, calendar, QTimeZone::systemTimeZone());
            if (!result.ok)
                std::abort();
            added = result.added;
        }));
    }
    state.counters["added"] = double(added);
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
