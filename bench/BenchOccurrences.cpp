#include "occurrence/OccurrenceDays.h"
#include "occurrence/ScheduleOccurrences.h"
#include "store/AlarmWatch.h"
#include "store/DayMarking.h"
#include "store/MonthLayout.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"
#include "store/YearMarks.h"
#include "support/BenchMain.h"
#include "support/EntryGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <memory>

// A schedule of generated entries of which every tenth keeps a recurrence of one of the shapes calendars
// write (weekly on days, every other week, the last weekday of the month, a count, an end, extra and
// excluded dates, a changed occurrence, a zone): the month grid's marking, the day hint, the year view,
// the organizer's rule words and the alarm check's tick, and the load beside SQLite's plain read of the
// same file, with the memory it takes. ZENTRAVIO_BENCH_ENTRIES sets the number of entries (1,000,000).
// The views ask the index of each year's occurrence days, worked out on the thread pool; the same views
// walking every rule for each question (as they did before the index) run last, once each, beside them.
namespace {

size_t entryCount()
{
    const char* text = std::getenv("ZENTRAVIO_BENCH_ENTRIES");
    return text ? size_t(std::atoll(text)) : 1000000;
}

struct Fixture
{
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<ScheduleDatabase> db;
    std::unique_ptr<ScheduleOccurrences> occurrences;
};

Fixture* g_fixture = nullptr;

// The resident memory after each step of the first load, in MB.
struct Resident
{
    double written = 0; // the file made, nothing open
    double table = 0;   // the schedule open
    double rules = 0;   // its rules taken in
    double indexes = 0; // three years' indexes worked out
} g_resident;

// The views' questions answered by walking every rule, as before the index: only the questions every
// source answers are passed on.
class EveryRuleWalked : public KeptRecurrences
{
public:
    explicit EveryRuleWalked(const ScheduleOccurrences& inner) : m_inner(inner) {}
    bool keeps(qint64 rowId) const override { return m_inner.keeps(rowId); }
    std::vector<Occurring> onDays(QDate first, QDate last) const override { return m_inner.onDays(first, last); }
    std::optional<QDateTime> nextStart(qint64 rowId, const QDateTime& after) const override
    {
        return m_inner.nextStart(rowId, after);
    }
    QString words(qint64 rowId) const override { return m_inner.words(rowId); }
    std::vector<Alarm> alarmsBetween(qint64 from, qint64 to) const override { return m_inner.alarmsBetween(from, to); }

private:
    const ScheduleOccurrences& m_inner;
};

// Lets the thread pool finish the indexes asked for.
void settle(const ScheduleOccurrences& occurrences)
{
    while (!occurrences.settled()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    QCoreApplication::processEvents();
}

// Every tenth entry becomes a recurring one, its rule kept beside it, written straight to the file.
bool makeSchedule(Fixture& f, size_t count)
{
    f.path = f.dir.filePath(ScheduleDatabase::FileName);
    return EntryGenerator::writeGeneratedFile(f.path, count) && EntryGenerator::keepRulesEvery(f.path, 10);
}

MonthGrid gridFor(int month, int year)
{
    const MonthLayout::Layout layout = MonthLayout::layoutMonth(month, year);
    MonthGrid grid;
    grid.monthIndex = month - 1;
    grid.yearText = QString::number(year);
    for (const MonthLayout::CellPlace& place : layout.cells)
        grid.cells.push_back(DayCell{place.caption, place.visible, Bgr::White, Bgr::Black, false});
    return grid;
}

void BM_LoadWithRules(benchmark::State& state)
{
    double resident = 0;
    for (auto _ : state) {
        auto db = ScheduleDatabase::open(g_fixture->path, nullptr);
        ScheduleOccurrences occurrences(*db);
        benchmark::DoNotOptimize(occurrences.keeps(10));
        resident = statusMB("VmRSS:");
    }
    state.counters["rss_MB"] = resident;
}

// The memory the first load took, step by step (measured before any other benchmark ran).
void BM_Memory(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::ClobberMemory();
    state.counters["written_MB"] = g_resident.written;
    state.counters["table_MB"] = g_resident.table;
    state.counters["rules_MB"] = g_resident.rules;
    state.counters["indexes_MB"] = g_resident.indexes;
}

// The schedule alone, without its rules: what the store's first open takes, beside the load above.
void BM_LoadScheduleOnly(benchmark::State& state)
{
    for (auto _ : state) {
        auto db = ScheduleDatabase::open(g_fixture->path, nullptr);
        benchmark::DoNotOptimize(db->cachedTable().size());
    }
}

// A year's index worked out on the thread pool after the month grid first asks for it: the time the
// window's thread spends asking, and the time until the index is in.
void BM_YearIndexWorkedOut(benchmark::State& state)
{
    ScheduleOccurrences occurrences(*g_fixture->db);
    occurrences.setWorkOffThread(true);
    occurrences.keeps(10); // the rules taken in, as at load
    double asking = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        benchmark::DoNotOptimize(occurrences.counts(QDate(2026, 3, 1), QDate(2026, 3, 31)));
        asking += double(timer.nsecsElapsed()) / 1e6;
        settle(occurrences);
    }
    state.counters["ask_ms"] = asking / double(state.iterations());
}

// The same on one thread, without the pool.
void BM_YearIndexOneThread(benchmark::State& state)
{
    std::vector<std::pair<quint32, QByteArray>> rules;
    const OccurrenceSource& source = g_fixture->occurrences->source();
    for (qint64 row = 10; source.hasRule(row); row += 10)
        rules.emplace_back(quint32(rules.size()), source.text(row));
    size_t values = 0;
    for (auto _ : state) {
        OccurrenceDays days(2026);
        days.build(rules);
        values = days.size();
    }
    state.counters["day_values"] = double(values);
}

// What SQLite itself takes to read every row of the file: the schedule and the kept rules.
void BM_SqlitePlainRead(benchmark::State& state)
{
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(g_fixture->path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        for (const char* sql : {"SELECT * FROM Schedule", "SELECT RowId, Event FROM EntryRule"}) {
            sqlite3_stmt* s = nullptr;
            sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
            size_t bytes = 0;
            while (sqlite3_step(s) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(s); ++c)
                    bytes += size_t(sqlite3_column_bytes(s, c));
            }
            benchmark::DoNotOptimize(bytes);
            sqlite3_finalize(s);
        }
        sqlite3_close(db);
    }
}

// The indexes of the years the views below show, worked out before they are timed.
void workOutYears()
{
    for (int year = 2025; year <= 2027; ++year)
        g_fixture->occurrences->counts(QDate(year, 1, 1), QDate(year, 1, 1));
    settle(*g_fixture->occurrences);
}

void BM_MonthChange(benchmark::State& state)
{
    workOutYears();
    int month = 0;
    for (auto _ : state) {
        MonthGrid grid = gridFor(month % 12 + 1, 2026);
        DayMarking::MarkDays(g_fixture->db->cachedTable(), grid, DayMarking::GridTag::MainForm,
                             QDateTime(QDate(2026, 1, 1), QTime(8, 0)), g_fixture->occurrences.get());
        ++month;
    }
    state.counters["resident_MB"] = statusMB("VmRSS:");
}

void BM_DayHint(benchmark::State& state)
{
    workOutYears();
    int day = 0;
    for (auto _ : state) {
        const QDate date = QDate(2026, 3, 1).addDays(day++ % 28);
        benchmark::DoNotOptimize(DayMarking::DaySummary(g_fixture->db->cachedTable(),
                                                        date.toString(QStringLiteral("MM/dd/yyyy")),
                                                        g_fixture->occurrences.get()));
    }
}

void BM_YearView(benchmark::State& state)
{
    workOutYears();
    int year = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            YearMarks::of(g_fixture->db->cachedTable(), 2025 + year++ % 3, g_fixture->occurrences.get()));
    state.counters["resident_MB"] = statusMB("VmRSS:");
}

// The rule words of a screenful of organizer rows.
void BM_OrganizerRuleWords(benchmark::State& state)
{
    qint64 row = 10;
    for (auto _ : state) {
        for (int i = 0; i < 40; ++i, row += 10)
            benchmark::DoNotOptimize(g_fixture->occurrences->words(row));
    }
}

// One second of the alarm check, after the first tick worked out every entry's next alarm: the cost of
// a tick grows with the alarms due in it, not with the number of entries that recur.
void BM_AlarmTick(benchmark::State& state)
{
    AlarmWatch watch;
    const ScheduleTable& table = g_fixture->db->cachedTable();
    QDateTime now(QDate(2026, 3, 4), QTime(3, 0, 0));
    watch.dueOccurrences(table, now, g_fixture->occurrences.get());
    size_t due = 0;
    for (auto _ : state) {
        now = now.addSecs(1);
        due += watch.dueOccurrences(table, now, g_fixture->occurrences.get()).size();
    }
    // The ticks' time includes the alarms that came due in them; a quiet tick is the rest.
    state.counters["due_per_tick"] = double(due) / double(state.iterations());
}

} // namespace

// The views walking every rule for each question, as before the index.
void BM_MonthChangeWalkingEveryRule(benchmark::State& state)
{
    const EveryRuleWalked walked(*g_fixture->occurrences);
    int month = 0;
    for (auto _ : state) {
        MonthGrid grid = gridFor(month % 12 + 1, 2026);
        DayMarking::MarkDays(g_fixture->db->cachedTable(), grid, DayMarking::GridTag::MainForm,
                             QDateTime(QDate(2026, 1, 1), QTime(8, 0)), &walked);
        ++month;
    }
}

void BM_DayHintWalkingEveryRule(benchmark::State& state)
{
    const EveryRuleWalked walked(*g_fixture->occurrences);
    int day = 0;
    for (auto _ : state) {
        const QDate date = QDate(2026, 3, 1).addDays(day++ % 28);
        benchmark::DoNotOptimize(DayMarking::DaySummary(g_fixture->db->cachedTable(),
                                                        date.toString(QStringLiteral("MM/dd/yyyy")), &walked));
    }
}

void BM_YearViewWalkingEveryRule(benchmark::State& state)
{
    const EveryRuleWalked walked(*g_fixture->occurrences);
    for (auto _ : state)
        benchmark::DoNotOptimize(YearMarks::of(g_fixture->db->cachedTable(), 2026, &walked));
    state.counters["resident_MB"] = statusMB("VmRSS:");
}

BENCHMARK(BM_Memory)->Iterations(1);
BENCHMARK(BM_SqlitePlainRead)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWithRules)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScheduleOnly)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearIndexWorkedOut)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearIndexOneThread)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayHint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrganizerRuleWords)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlarmTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MonthChangeWalkingEveryRule)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayHintWalkingEveryRule)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearViewWalkingEveryRule)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    Fixture fixture;
    if (!makeSchedule(fixture, entryCount()))
        return 1;
    g_resident.written = statusMB("VmRSS:");
    fixture.db = ScheduleDatabase::open(fixture.path, nullptr);
    g_resident.table = statusMB("VmRSS:");
    fixture.occurrences = std::make_unique<ScheduleOccurrences>(*fixture.db);
    fixture.occurrences->setWorkOffThread(true);
    fixture.occurrences->keeps(10);
    g_resident.rules = statusMB("VmRSS:");
    g_fixture = &fixture;
    // The indexes are worked out on the pool, which needs the application's event loop to hand them over.
    QCoreApplication app(argc, argv);
    workOutYears();
    g_resident.indexes = statusMB("VmRSS:");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
