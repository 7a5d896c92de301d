// The countdown list over a large schedule (100,000 entries; ZENTRAVIO_BENCH_ENTRIES=1000000 for a
// million): its first load, a tick where no entry goes by, a tick where one does, the tick after a change
// of the schedule and an alarm window's rebuild of the list, each repaint included and each to stay
// under one 60 Hz frame (16.7 ms) on the window's thread. thread_ms is that thread's processor time,
// the steadier figure on a busy machine.

#include "app/ProgramWindows.h"
#include "calendar/MainForm.h"
#include "controls/ListGrid.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"
#include "support/WindowBench.h"
#include "views/FormGrid.h"

#include <QCoreApplication>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <time.h>
#include <vector>

namespace {

ScreenService g_screen;
WindowBench* g_fixture = nullptr;

double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000 + double(now.tv_nsec) / 1e6;
}

// Times one window action per iteration on the window's thread, its posted repaints included.
template <typename Prepare, typename Act> void timeActions(benchmark::State& state, Prepare prepare, Act act)
{
    double threadTotal = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        const double before = threadMs();
        act();
        QCoreApplication::processEvents();
        threadTotal += threadMs() - before;
    }
    state.counters["thread_ms"] = threadTotal / double(state.iterations());
    if (FormGrid* list = g_fixture->windows->loadedListWindow())
        state.counters["rows"] = list->Grid()->Rows();
}

// The list shown beside the calendar, as the "Countdown" command leaves it. Its own timer and the
// calendar's alarm check are stopped: the benchmarks tick by hand, and an alarm window opened by the
// calendar's check (the clock stands on alarm minutes) would rebuild the list inside another timing.
FormGrid* shownList()
{
    FormGrid* list = g_fixture->windows->listWindow();
    if (!list->isVisible())
        g_fixture->form->cmdButton_Click(MainForm::Countdown);
    WindowBench::stopProgramTimers();
    QCoreApplication::processEvents();
    return list;
}

void BM_FirstLoad(benchmark::State& state)
{
    shownList();
    timeActions(
        state,
        [] {
            if (FormGrid* list = g_fixture->windows->loadedListWindow())
                list->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        },
        [] { benchmark::DoNotOptimize(g_fixture->windows->listWindow()); });
}
BENCHMARK(BM_FirstLoad)->Unit(benchmark::kMillisecond);

// A second on within one minute, back and forth, so that no entry goes by.
void BM_SteadyTick(benchmark::State& state)
{
    FormGrid* list = shownList();
    const QDateTime minute = g_fixture->clock.now();
    bool later = false;
    timeActions(
        state, [&] { later = !later; },
        [&] {
            g_fixture->clock.set(minute.addSecs(later ? 1 : 0));
            list->xTimer_Timer();
        });
}
BENCHMARK(BM_SteadyTick)->Unit(benchmark::kMillisecond);

// The alarm minutes of the entries still ahead, earliest first, one each.
std::vector<QDateTime> minutesWhenEntriesGoBy(const QDateTime& now)
{
    const ScheduleTable& table = g_fixture->database->table();
    std::vector<qint64> minutes;
    const qint64 from = Recurrence::wallSecond(now) / 60;
    for (size_t i = 0; i < table.size(); ++i) {
        if (!table.date(i).isValid() || table.alarmSecond(i) == ScheduleTable::NoTime)
            continue;
        const qint64 minute = Recurrence::wallSecond(table.date(i).toDate(), table.alarmSecond(i)) / 60;
        if (minute > from)
            minutes.push_back(minute);
    }
    std::sort(minutes.begin(), minutes.end());
    minutes.erase(std::unique(minutes.begin(), minutes.end()), minutes.end());
    std::vector<QDateTime> times;
    for (qint64 minute : minutes)
        times.push_back(
            QDateTime(QDate::fromJulianDay(minute / 1440), QTime(0, 0)).addSecs(minute % 1440 * 60));
    return times;
}

// The tick at the start of the minute in which the first listed entries go by.
void BM_TickAnEntryGoesBy(benchmark::State& state)
{
    FormGrid* list = shownList();
    const std::vector<QDateTime> times = minutesWhenEntriesGoBy(g_fixture->clock.now());
    size_t next = 0;
    timeActions(
        state,
        [&] {
            g_fixture->clock.set(times[next % times.size()].addSecs(-1));
            list->xTimer_Timer();
        },
        [&] {
            g_fixture->clock.advanceSeconds(1);
            list->xTimer_Timer();
            ++next;
        });
}
BENCHMARK(BM_TickAnEntryGoesBy)->Unit(benchmark::kMillisecond)->Iterations(30);

// The tick after an entry was added to or taken out of the schedule, in turn.
void BM_TickAfterAChange(benchmark::State& state)
{
    FormGrid* list = shownList();
    const ScheduleEntry entry = g_fixture->database->table().entry(0);
    qint64 added = 0;
    timeActions(
        state,
        [&] {
            if (added) {
                g_fixture->database->remove(added);
                added = 0;
            } else {
                added = g_fixture->database->append(entry).rowId;
            }
            // The rest of the program looks at the table right after a save (the calendar marks its
            // month again); what that look costs is not the list's.
            benchmark::DoNotOptimize(g_fixture->database->table().size());
        },
        [&] { list->xTimer_Timer(); });
    if (added)
        g_fixture->database->remove(added);
}
BENCHMARK(BM_TickAfterAChange)->Unit(benchmark::kMillisecond)->Iterations(30);

// What an alarm window's load does to the list: clears it, columns too, and fills it again.
void BM_AlarmWindowRebuild(benchmark::State& state)
{
    FormGrid* list = shownList();
    timeActions(
        state, [] {}, [&] { list->RebuildGrid(); });
}
BENCHMARK(BM_AlarmWindowRebuild)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv, 100000, g_screen, g_fixture);
}
