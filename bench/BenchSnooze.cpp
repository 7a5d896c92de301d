// The alarm service under load: a tick of its one-second check with 1,000 snoozes waiting (under 10 us;
// beside it what the tick leaves out when nothing is due), and 5,000 entries due in one second (the longest pass of the window's thread under 100 ms, the process
// under 200 MB), which open one window listing them rather than 5,000 windows.

#include "alarm/FormAlarmList.h"
#include "alarm/RingingWindows.h"
#include "alarmservice/AlarmService.h"
#include "app/ProgramWindows.h"
#include "forms/AppContext.h"
#include "settings/AlarmCoverage.h"
#include "settings/SettingsStore.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"
#include "support/BenchMain.h"
#include "support/EntryGenerator.h"
#include "support/WindowBench.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

namespace {

const QDate Today(2026, 12, 7);
ScreenService g_screen;

// A schedule of `count` entries whose alarms are switched on for one second of today, the windows over it,
// and the clock standing just before that second.
struct AlarmFixture
{
    explicit AlarmFixture(size_t count, const QString& time)
    {
        const QString path = dir.filePath(ScheduleDatabase::FileName);
        std::vector<ScheduleEntry> entries;
        entries.reserve(count);
        for (size_t i = 0; i < count; ++i)
            entries.push_back(ScheduleEntry::make(QStringLiteral("12/07/2026"), QStringLiteral("Monday"),
                                                  QStringLiteral("Alarm %1").arg(i),
                                                  QStringLiteral("first line\nsecond line"), time,
                                                  QStringLiteral("on"), QStringLiteral("OneTime")));
        if (!EntryGenerator::writeScheduleFile(path, entries))
            qFatal("the benchmark schedule could not be made");
        database = ScheduleDatabase::open(path, nullptr);
        settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("Zentravio.conf")));
        context.reset(new AppContext{*database, *settings, clock, beeper, messages, screen, {}});
    }
    void openWindows() { windows = std::make_unique<ProgramWindows>(*context); }
    // As a first start: nothing recorded of an earlier run, so the first check looks at its own second.
    void openWindowsAsAtFirstStart(int run)
    {
        windows.reset();
        settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("run-%1.conf").arg(run)));
        context.reset(new AppContext{*database, *settings, clock, beeper, messages, screen, {}});
        openWindows();
    }
    AlarmService& engine() { return *windows->alarmService(); }

    QTemporaryDir dir;
    std::unique_ptr<ScheduleDatabase> database;
    std::unique_ptr<SettingsStore> settings;
    ManualClock clock{QDateTime(Today, QTime(9, 59, 59))};
    WindowBench::SilentBeeper beeper;
    MessageBoxService messages;
    ScreenService& screen = g_screen;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<ProgramWindows> windows;
};

// range(0): whether every one of 1,000 entries is snoozed until tomorrow (against none, the tick as it
// was); the ticks of today find nothing due. The difference is what the waiting snoozes cost a tick.
void BM_TickWithPendingSnoozes(benchmark::State& state)
{
    AlarmFixture fixture(1000, QStringLiteral("11:00:00 PM"));
    const qint64 tomorrow = Recurrence::wallSecond(QDateTime(Today.addDays(1), QTime(8, 0)));
    const bool snoozed = state.range(0) != 0;
    for (size_t i = 0; snoozed && i < fixture.database->cachedTable().size(); ++i)
        fixture.database->keepSnooze({fixture.database->uidOf(fixture.database->cachedTable().rowId(i)),
                                      tomorrow, tomorrow - 600, 82800});
    fixture.openWindows();
    AlarmService& engine = fixture.engine();
    if (engine.snoozes().size() != (snoozed ? 1000u : 0u)) {
        state.SkipWithError("the snoozes were not taken up");
        return;
    }
    QDateTime now(Today, QTime(10, 0));
    for (auto _ : state) {
        now = now.addSecs(1);
        fixture.clock.set(now);
        engine.check();
    }
    state.counters["pending_snoozes"] = double(engine.snoozes().size());
}

// The parts a tick leaves out when nothing is due: a look at the schedule file (its lock, change count and
// journal), and a write of the covered second to the settings file (which waits for the disk).
void BM_LookAtTheScheduleFile(benchmark::State& state)
{
    AlarmFixture fixture(1000, QStringLiteral("11:00:00 PM"));
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.database->table().size());
}

void BM_WriteTheCoveredSecond(benchmark::State& state)
{
    AlarmFixture fixture(0, QStringLiteral("11:00:00 PM"));
    AlarmCoverage coverage(*fixture.settings);
    qint64 second = Recurrence::wallSecond(QDateTime(Today, QTime(10, 0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(coverage.ringing(++second));
}

// The snoozes' own part of a tick: looking whether the first of 1,000 is due.
void BM_SnoozeLookPerTick(benchmark::State& state)
{
    SnoozeBook book;
    for (int i = 0; i < 1000; ++i)
        book.add({QStringLiteral("uid-%1").arg(i), 100000 + i, 0, 0});
    qint64 second = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(book.takeDue(++second % 90000));
}

// 5,000 entries due in the same second. Timed is the tick that rings them; longest_pass_ms adds the
// showing and painting of what it opened, the window's thread's longest pass.
void BM_FiveThousandAlarmsInOneSecond(benchmark::State& state)
{
    AlarmFixture fixture(5000, QStringLiteral("10:00:00 AM"));
    fixture.clock.set(QDateTime(Today, QTime(10, 0)));
    double longest = 0, resident = 0, peak = 0;
    size_t rows = 0, windows = 0;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fixture.openWindowsAsAtFirstStart(++run);
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        fixture.engine().check();
        const double tick = double(timer.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        timer.restart();
        QCoreApplication::processEvents();
        longest = std::max({longest, tick, double(timer.nsecsElapsed()) / 1e6});
        resident = statusMB("VmRSS:");
        peak = std::max(peak, statusMB("VmHWM:"));
        FormAlarmList* list = fixture.windows->ringingWindows().alarmList();
        rows = list ? size_t(list->rowCount()) : 0;
        windows = fixture.windows->alarmWindows().size();
        fixture.windows.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["longest_pass_ms"] = longest;
    state.counters["rss_MB"] = resident;
    state.counters["peak_MB"] = peak;
    state.counters["listed"] = double(rows);
    state.counters["alarm_windows"] = double(windows);
}

} // namespace

BENCHMARK(BM_TickWithPendingSnoozes)->Arg(0)->Arg(1)->Iterations(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookAtTheScheduleFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteTheCoveredSecond)->Iterations(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SnoozeLookPerTick)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_FiveThousandAlarmsInOneSecond)->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv, 0, g_screen);
}
