#include "exchange/EventToEntry.h"
#include "occurrence/ScheduleOccurrences.h"
#include "store/AlarmWatch.h"
#include "store/DayMarking.h"
#include "store/MonthLayout.h"
#include "store/Recurrence.h"
#include "store/RuleFile.h"
#include "store/ScheduleDatabase.h"
#include "store/YearMarks.h"
#include "support/BenchMain.h"
#include "support/EntryGenerator.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <memory>

// A schedule of generated entries of which every tenth keeps a recurrence of one of the shapes calendars
// write (weekly on days, every other week, the last weekday of the month, a count, an end, extra and
// excluded dates, a changed occurrence, a zone): the month grid's marking, the day hint, the year view,
// the organizer's rule words and the alarm check's tick, and the load beside SQLite's plain read of the
// same file, with the memory it takes. ZENTRAVIO_BENCH_ENTRIES sets the number of entries (1,000,000).
namespace {

size_t entryCount()
{
    const char* text = std::getenv("ZENTRAVIO_BENCH_ENTRIES");
    return text ? size_t(std::atoll(text)) : 1000000;
}

const char* const Shapes[] = {
    "RRULE:FREQ=WEEKLY;BYDAY=SA", "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=TU",
    "RRULE:FREQ=MONTHLY;BYDAY=-1TH", "RRULE:FREQ=DAILY;COUNT=5",
    "RRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR;UNTIL=20280101T000000Z", "RRULE:FREQ=MONTHLY;BYMONTHDAY=1,15",
    "RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1",
    "RRULE:FREQ=WEEKLY;BYDAY=WE\r\nRDATE:20260103T100000\r\nEXDATE:20260114T100000",
    "RRULE:FREQ=YEARLY;BYMONTH=5;BYDAY=2SU",
};

QByteArray ruleText(size_t n)
{
    const QDate start = QDate(2024, 1, 1).addDays(qint64(n % 900));
    const QByteArray day = start.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    const QByteArray zone = n % 3 == 0 ? "DTSTART;TZID=Europe/Berlin:" : "DTSTART:";
    QByteArray events = "BEGIN:VEVENT\r\nUID:r" + QByteArray::number(qulonglong(n)) + "\r\nSUMMARY:Rule " +
                        QByteArray::number(qulonglong(n)) + "\r\n" + zone + day + "T100000\r\n" +
                        Shapes[n % std::size(Shapes)] + "\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\n"
                        "END:VALARM\r\nEND:VEVENT\r\n";
    if (n % 7 == 0)
        events += "BEGIN:VEVENT\r\nUID:r" + QByteArray::number(qulonglong(n)) + "\r\nSUMMARY:Moved\r\n"
                  "RECURRENCE-ID:" + day + "T100000\r\nDTSTART:" + day + "T180000\r\nEND:VEVENT\r\n";
    return EventToEntry::keptCalendar({}, events);
}

struct Fixture
{
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<ScheduleDatabase> db;
    std::unique_ptr<ScheduleOccurrences> occurrences;
};

Fixture* g_fixture = nullptr;

// Every tenth entry becomes a recurring one, its rule kept beside it, written straight to the file.
bool makeSchedule(Fixture& f, size_t count)
{
    f.path = f.dir.filePath(ScheduleDatabase::FileName);
    if (!EntryGenerator::writeGeneratedFile(f.path, count))
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open(f.path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    RuleFile::ensure(db);
    sqlite3_exec(db, "UPDATE Schedule SET SchedType = 'Recurring', AlarmOnOff = 'on' WHERE rowid % 10 = 0",
                 nullptr, nullptr, nullptr);
    for (size_t row = 10; row <= count; row += 10)
        RuleFile::record(db, qint64(row), ruleText(row));
    const bool done = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
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

void BM_MonthChange(benchmark::State& state)
{
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
    int year = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            YearMarks::of(g_fixture->db->cachedTable(), 2025 + year++ % 3, g_fixture->occurrences.get()));
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

BENCHMARK(BM_SqlitePlainRead)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWithRules)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayHint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrganizerRuleWords)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlarmTick)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    Fixture fixture;
    if (!makeSchedule(fixture, entryCount()))
        return 1;
    fixture.db = ScheduleDatabase::open(fixture.path, nullptr);
    fixture.occurrences = std::make_unique<ScheduleOccurrences>(*fixture.db);
    g_fixture = &fixture;
    return runCoreBenchmarks(argc, argv);
}
