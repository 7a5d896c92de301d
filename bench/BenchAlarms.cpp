// What the once-a-second windows cost on a large schedule: the alarm watch on an ordinary tick and after
// a suspend of three days, the countdown list when nothing changed and when it is worked out again, and
// the countdown text of one entry. Then the alarm service's whole check on a schedule of 1,000, 10,000
// and 100,000 entries that keep a recurrence, with the tick's cost beside that of the smallest
// (`ratio_to_1k`): it must stay flat, since only the next alarm of each entry is kept, in order.

#include "alarmservice/AlarmService.h"
#include "exchange/EventToEntry.h"
#include "occurrence/ScheduleOccurrences.h"
#include "settings/SettingsStore.h"
#include "store/AlarmWatch.h"
#include "store/Countdown.h"
#include "store/RuleFile.h"
#include "store/ScheduleDatabase.h"
#include "support/BenchMain.h"
#include "support/EntryGenerator.h"
#include "support/ManualClock.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <ctime>
#include <map>
#include <memory>

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

// Weekly, every other week, monthly by weekday and a counted daily rule, at 10:00 on their days, half of
// them in a zone of their own, a few with a cancelled and a moved occurrence, each with a reminder 15
// minutes before.
QByteArray ruleText(size_t n)
{
    static const char* const Shapes[] = {"RRULE:FREQ=WEEKLY;BYDAY=%1", "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=%1",
                                         "RRULE:FREQ=MONTHLY;BYDAY=-1%1", "RRULE:FREQ=DAILY;COUNT=400"};
    static const char* const Days[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    const QByteArray day = QDate(2025, 1, 6).addDays(qint64(n % 7)).toString(QStringLiteral("yyyyMMdd")).toLatin1();
    const QByteArray id = QByteArray::number(qulonglong(n));
    const QByteArray start = (n % 2 ? "DTSTART;TZID=Europe/Berlin:" : "DTSTART:") + day + "T100000\r\n";
    QByteArray events = "BEGIN:VEVENT\r\nUID:r" + id + "\r\nSUMMARY:Rule " + id + "\r\n" + start +
                        QByteArray(Shapes[n % std::size(Shapes)]).replace("%1", Days[n % 7]) + "\r\n";
    if (n % 10 == 0)
        events += "EXDATE:" + day + "T100000\r\n";
    events += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n";
    if (n % 10 == 5)
        events += "BEGIN:VEVENT\r\nUID:r" + id + "\r\nRECURRENCE-ID:" + day + "T100000\r\nDTSTART:" + day +
                  "T180000\r\nSUMMARY:Moved\r\nEND:VEVENT\r\n";
    return EventToEntry::keptCalendar({}, events);
}

// A schedule whose every entry keeps a recurrence, with the program's alarm service over it.
struct RuleSchedule
{
    explicit RuleSchedule(size_t count)
    {
        const QString path = dir.filePath(ScheduleDatabase::FileName);
        if (!EntryGenerator::writeGeneratedFile(path, count))
            qFatal("the benchmark schedule could not be made");
        sqlite3* db = nullptr;
        if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
            qFatal("the benchmark schedule could not be opened");
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        RuleFile::ensure(db);
        sqlite3_exec(db, "UPDATE Schedule SET SchedType = 'Recurring', AlarmOnOff = 'on'", nullptr, nullptr,
                     nullptr);
        for (size_t row = 1; row <= count; ++row)
            RuleFile::record(db, qint64(row), ruleText(row));
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        database = ScheduleDatabase::open(path, nullptr);
        settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("Zentravio.conf")));
        occurrences = std::make_unique<ScheduleOccurrences>(*database);
        alarms = std::make_unique<AlarmService>(*database, *settings, clock, AlarmNotifier::none(),
                                                occurrences.get());
    }

    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 3, 4), QTime(3, 0, 0))};
    std::unique_ptr<ScheduleDatabase> database;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<ScheduleOccurrences> occurrences;
    std::unique_ptr<AlarmService> alarms;
};

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The mean time of one quiet tick, by the number of entries that recur.
std::map<int64_t, double> g_tickSeconds;

// range(0) entries, each keeping a rule. The first check works out every entry's next alarm; the ticks
// timed after it, hours before the first of them, find nothing due and ask for no rule.
void BM_ServiceTickWithRules(benchmark::State& state)
{
    RuleSchedule schedule(size_t(state.range(0)));
    schedule.alarms->check();
    const size_t ringing = schedule.alarms->ringingKeys().size();
    // The thread's own time: the machine's other work does not blur the ratio.
    const double started = threadSeconds();
    for (auto _ : state) {
        schedule.clock.advanceSeconds(1);
        schedule.alarms->check();
    }
    const double perTick = (threadSeconds() - started) / double(state.iterations());
    g_tickSeconds[state.range(0)] = perTick;
    state.counters["rung"] = double(schedule.alarms->ringingKeys().size() - ringing);
    if (const auto smallest = g_tickSeconds.find(1000); smallest != g_tickSeconds.end())
        state.counters["ratio_to_1k"] = perTick / smallest->second;
}

} // namespace

BENCHMARK(BM_WatchOneSecond)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WatchThreeDayGap)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpcomingUnchanged)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpcomingWorkedOut)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountdownText)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ServiceTickWithRules)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
