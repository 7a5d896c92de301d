// The calendar exchange of a long diary: an export of every entry to an iCalendar file, and an import of
// such a file into an empty schedule, each timed as a whole (open, write or read, commit). Both must stay
// under 5 s for 100,000 entries.
//
// BM_ImportBesidePython imports a generated file of 100,000 events and, in the same run, has
// python3-icalendar parse the same file: the import may take at most 1.5 times python's time
// (`time_ratio`), and its peak may rise above the resident size it started from by at most 3 times the
// file's size (`memory_ratio`). `ZENTRAVIO_BENCH_ENTRIES=1000000` runs it over a million events, where
// the import of the program's earlier reader took 60 s and 649 MB.
//
// BM_ImportScaling imports a tenth of that many events and then that many (100,000 by default; a million
// with ZENTRAVIO_BENCH_ENTRIES=1000000) in one run, each beside python3-icalendar's parse of the same
// file: the import's time must grow with the file's size, by an exponent of at most 1.1 (`exponent`),
// stay at most 0.15 times python's at both sizes (`ratio_small`, `ratio_large`), and its peak rise at most
// 2 times the file's size (`memory_ratio_small`, `memory_ratio_large`). Every tenth entry of the diaries
// the calendars are exported from is a recurring one whose whole event is kept.

#include "exchange/IcsExport.h"
#include "exchange/IcsImport.h"
#include "store/ScheduleDatabase.h"
#include "support/EntryGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>

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
        if (!EntryGenerator::writeGeneratedFile(path, entries) || !EntryGenerator::keepRulesEvery(path, 10))
            std::abort();
    });
}

QString calendarWith(size_t entries)
{
    return madeOnce(QStringLiteral("diary-%1.ics"), entries, [&](const QString& path) {
        const auto database = ScheduleDatabase::open(scheduleWith(entries), nullptr);
        // The recurring entries go out with their whole events.
        if (!database || !IcsExport::write(database->table(), path, Stamp, nullptr, &database->identities(),
                                           &database->rules())
                              .ok)
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

// The same import written as plain additions, as before entries were matched with their events by
// UID: BM_Import beside it, in one run, shows what the matching costs.
void BM_ImportAppending(benchmark::State& state)
{
    const QString calendar = calendarWith(size_t(state.range(0)));
    const QString target = folder().filePath(QStringLiteral("import-appending.vmr"));
    IcsImport::Options options;
    options.writer = [](ScheduleDatabase& database, const std::vector<ScheduleEntry>& entries,
                        const std::vector<EventIdentity>&) { return database.appendAll(entries); };
    timeRuns(state, target, "added", [&] {
        ScheduleDatabase::CreateDatabaseFile(target);
        const auto database = ScheduleDatabase::open(target, nullptr);
        const IcsImport::Result result =
            IcsImport::run(*database, calendar, QTimeZone::systemTimeZone(), options);
        if (!result.ok)
            std::abort();
        return result.added;
    });
}

double statusMB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            double kb = 0;
            status >> kb;
            return kb / 1024;
        }
    }
    return 0;
}

size_t benchEntries()
{
    const QByteArray wanted = qgetenv("ZENTRAVIO_BENCH_ENTRIES");
    return wanted.isEmpty() ? 100000 : size_t(wanted.toULongLong());
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The processor seconds python3-icalendar's last parse took (pythonParseSeconds): on a machine shared with
// other work, wall times grow with the others' load, processor times do not.
double g_pythonCpu = 0;

// The seconds python3-icalendar takes to parse the file; the system's python, which has the package.
double pythonParseSeconds(const QString& calendar)
{
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QProcess python;
    QElapsedTimer timer;
    timer.start();
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import icalendar, sys\n"
                                 "icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())"),
                  calendar});
    if (!python.waitForFinished(-1) || python.exitCode() != 0)
        std::abort();
    g_pythonCpu = cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    return double(timer.elapsed()) / 1000;
}

void BM_ImportBesidePython(benchmark::State& state)
{
    const QString calendar = calendarWith(benchEntries());
    const QString target = folder().filePath(QStringLiteral("beside-python.vmr"));
    const double fileMB = double(QFileInfo(calendar).size()) / (1024 * 1024);
    double before = 0, peak = 0, seconds = 0;
    timeRuns(state, target, "added", [&] {
        ScheduleDatabase::CreateDatabaseFile(target);
        std::ofstream("/proc/self/clear_refs") << "5";
        before = statusMB("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        const auto database = ScheduleDatabase::open(target, nullptr);
        const IcsImport::Result result = IcsImport::run(*database, calendar, QTimeZone::systemTimeZone());
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        peak = statusMB("VmHWM:");
        if (!result.ok)
            std::abort();
        return result.added;
    });
    const double python = pythonParseSeconds(calendar);
    state.counters["python_s"] = python;
    state.counters["time_ratio"] = seconds / python;
    state.counters["file_MB"] = fileMB;
    state.counters["rise_MB"] = peak - before;
    state.counters["memory_ratio"] = (peak - before) / fileMB;
}

// One import of the calendar into an empty schedule: seconds, the peak's rise in MB, processor seconds.
struct ImportRun
{
    double seconds = 0;
    double riseMB = 0;
    double cpu = 0;
};

ImportRun importOnce(const QString& calendar, const QString& target)
{
    QFile::remove(target);
    ScheduleDatabase::CreateDatabaseFile(target);
    std::ofstream("/proc/self/clear_refs") << "5";
    const double before = statusMB("VmRSS:");
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    qint64 added = 0;
    {
        const auto database = ScheduleDatabase::open(target, nullptr);
        const IcsImport::Result result = IcsImport::run(*database, calendar, QTimeZone::systemTimeZone());
        if (!result.ok)
            std::abort();
        added = result.added;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(added);
    return {seconds, statusMB("VmHWM:") - before, cpuSeconds(RUSAGE_SELF) - cpuBefore};
}

void BM_ImportScaling(benchmark::State& state)
{
    const size_t large = benchEntries();
    const size_t small = large / 10;
    const QString smallCalendar = calendarWith(small);
    const QString largeCalendar = calendarWith(large);
    const QString target = folder().filePath(QStringLiteral("scaling.vmr"));
    const double smallMB = double(QFileInfo(smallCalendar).size()) / (1024 * 1024);
    const double largeMB = double(QFileInfo(largeCalendar).size()) / (1024 * 1024);
    ImportRun smallRun, largeRun;
    for (auto _ : state) {
        smallRun = importOnce(smallCalendar, target);
        largeRun = importOnce(largeCalendar, target);
        state.SetIterationTime(smallRun.seconds + largeRun.seconds);
    }
    const double smallPython = pythonParseSeconds(smallCalendar);
    const double smallPythonCpu = g_pythonCpu;
    const double largePython = pythonParseSeconds(largeCalendar);
    const double largePythonCpu = g_pythonCpu;
    const double sizes = std::log(largeMB / smallMB);
    state.counters["small_s"] = smallRun.seconds;
    state.counters["large_s"] = largeRun.seconds;
    state.counters["exponent"] = std::log(largeRun.seconds / smallRun.seconds) / sizes;
    state.counters["python_exponent"] = std::log(largePython / smallPython) / sizes;
    state.counters["ratio_small"] = smallRun.seconds / smallPython;
    state.counters["ratio_large"] = largeRun.seconds / largePython;
    // The same in processor time, which the load of other programs does not stretch.
    state.counters["exponent_cpu"] = std::log(largeRun.cpu / smallRun.cpu) / sizes;
    state.counters["python_exponent_cpu"] = std::log(largePythonCpu / smallPythonCpu) / sizes;
    state.counters["ratio_small_cpu"] = smallRun.cpu / smallPythonCpu;
    state.counters["ratio_large_cpu"] = largeRun.cpu / largePythonCpu;
    state.counters["file_MB_large"] = largeMB;
    state.counters["rise_MB_large"] = largeRun.riseMB;
    state.counters["memory_ratio_small"] = smallRun.riseMB / smallMB;
    state.counters["memory_ratio_large"] = largeRun.riseMB / largeMB;
}

} // namespace

BENCHMARK(BM_ImportBesidePython)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportScaling)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Arg(1000)->Arg(100000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Arg(1000)->Arg(100000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportAppending)
    ->Arg(1000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // ZENTRAVIO_BENCH_ENTRIES=1000000 adds that size to both imports, to compare them at a million.
    if (const size_t entries = benchEntries(); entries != 100000) {
        for (auto* import : {&BM_Import, &BM_ImportAppending})
            benchmark::RegisterBenchmark(import == &BM_Import ? "BM_Import" : "BM_ImportAppending", import)
                ->Arg(int64_t(entries))
                ->UseManualTime()
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
