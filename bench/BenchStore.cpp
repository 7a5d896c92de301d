// The passes the program makes over the whole schedule: the alarm check once a second, the marking of
// a month, the hint of one day and loading the file, each against the naive way of reading every row's
// texts from the file and formatting them per tick or per cell. Compare the ratios within one run.
// Then how long the window's thread waits when another program holds the schedule file: a look at the
// table and a whole Save of the add dialog, each the first to meet the lock (the longest wait), which
// must stay under 50 ms.

#include "store/DateText.h"
#include "store/DayMarking.h"
#include "store/Recordset.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"
#include "support/BenchMain.h"
#include "support/EntryGenerator.h"
#include "support/MonthGrids.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <malloc.h>
#include <map>

namespace {

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

// One schedule file per size, generated once for the run.
QString fileWith(size_t entries)
{
    static std::map<size_t, QString> files;
    auto it = files.find(entries);
    if (it != files.end())
        return it->second;
    const QString path = folder().filePath(QStringLiteral("bench-%1.vmr").arg(entries));
    EntryGenerator::writeScheduleFile(path, EntryGenerator::generate(entries));
    return files[entries] = path;
}

ScheduleDatabase& databaseWith(size_t entries)
{
    static std::map<size_t, std::unique_ptr<ScheduleDatabase>> open;
    auto& db = open[entries];
    if (!db)
        db = ScheduleDatabase::open(fileWith(entries), nullptr);
    return *db;
}

const QDateTime Now(QDate(2014, 6, 12), QTime(14, 30, 0));

// --- the naive way: every pass reads every row's texts from the file and formats them ---

struct NaiveRow
{
    sqlite3_stmt* stmt;
    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)));
    }
    QString date() const { return text(0); }
    QString type() const { return text(2); }
    QString alarmTime() const { return text(4); }
    QString onOff() const { return text(5); }
    QString schedType() const { return text(6); }
};

// Format(text, pattern) as the windows would do it: read the text as a date, write it in the pattern.
QString formatDate(const QString& text, QString (*pattern)(QDate))
{
    const auto date = DateText::readDate(text);
    return date ? pattern(*date) : text;
}

QString formatTime(const QString& text)
{
    const auto time = DateText::readTime(text);
    return time ? DateText::timeText(*time) : text;
}

template <typename Handle> void naiveWalk(ScheduleDatabase& db, Handle handle)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(db.path()).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(raw, "SELECT * FROM Schedule", -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        handle(NaiveRow{stmt});
    sqlite3_finalize(stmt);
    sqlite3_close(raw);
}

int naiveAlarmTick(ScheduleDatabase& db)
{
    int due = 0;
    naiveWalk(db, [&](const NaiveRow& row) {
        // The clock is read for each record and each test.
        const QString kind = row.schedType().toUpper();
        bool dateOk = false;
        if (kind == QLatin1String("ONETIME"))
            dateOk = formatDate(row.date(), DateText::mmddyyyy) ==
                     DateText::mmddyyyy(QDateTime::currentDateTime().date());
        else if (kind == QLatin1String("MONTHLY"))
            dateOk = formatDate(row.date(), DateText::ddyyyy) ==
                     DateText::ddyyyy(QDateTime::currentDateTime().date());
        else if (kind == QLatin1String("YEARLY"))
            dateOk =
                formatDate(row.date(), DateText::mmdd) == DateText::mmdd(QDateTime::currentDateTime().date());
        else if (kind == QLatin1String("EVERYDAY"))
            dateOk = true;
        else if (kind == QLatin1String("MONDAY TO FRIDAY"))
            dateOk =
                DateText::dddd(QDateTime::currentDateTime().date()).toUpper() != QLatin1String("SATURDAY") &&
                DateText::dddd(QDateTime::currentDateTime().date()).toUpper() != QLatin1String("SUNDAY");
        if (dateOk &&
            formatTime(row.alarmTime()) == DateText::timeText(QDateTime::currentDateTime().time()) &&
            row.onOff() == QLatin1String("on"))
            ++due;
    });
    return due;
}

void naiveMarkDays(ScheduleDatabase& db, MonthGrid& grid)
{
    naiveWalk(db, [&](const NaiveRow& row) {
        for (size_t j = 0; j < grid.cells.size(); ++j) {
            const QString kind = row.schedType().toUpper();
            const QString cell =
                DateText::cellDateText(grid.monthIndex + 1, grid.cells[j].caption, grid.yearText);
            if (kind == QLatin1String("ONETIME")) {
                if (formatDate(cell, DateText::mmddyyyy) == row.date()) {
                    const auto date = DateText::readDate(row.date());
                    const auto time = DateText::readTime(row.alarmTime());
                    const bool past =
                        date && time && Recurrence::IsPast(*date, *time, QDateTime::currentDateTime());
                    grid.cells[j].foreColor = past ? Bgr::PastOrange : Bgr::OneTimeGreen;
                }
            } else if (kind == QLatin1String("MONTHLY")) {
                if (formatDate(row.date(), DateText::ddyyyy) == formatDate(cell, DateText::ddyyyy))
                    grid.cells[j].foreColor = Bgr::RecurringBlue;
            } else if (kind == QLatin1String("YEARLY")) {
                if (formatDate(row.date(), DateText::mmdd) == formatDate(cell, DateText::mmdd))
                    grid.cells[j].foreColor = Bgr::RecurringBlue;
            }
        }
    });
}

QString naiveDaySummary(ScheduleDatabase& db, const QString& dateText)
{
    int count = 0;
    QString list;
    naiveWalk(db, [&](const NaiveRow& row) {
        if (row.date() == dateText) {
            list += (count ? QStringLiteral(", ") : QString()) + row.type();
            ++count;
        }
    });
    return QString::number(count) + QStringLiteral(" Entries: ") + list;
}

// --- the program's way ---

void BM_AlarmPass(benchmark::State& state)
{
    ScheduleDatabase& db = databaseWith(size_t(state.range(0)));
    QDateTime now = Now;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Recurrence::dueAlarms(db.table(), now));
        now = now.addSecs(1);
    }
}

void BM_MarkDays(benchmark::State& state)
{
    ScheduleDatabase& db = databaseWith(size_t(state.range(0)));
    const MonthGrid fresh = unmarkedGrid(6, 2014);
    for (auto _ : state) {
        MonthGrid grid = fresh;
        DayMarking::MarkDays(db.table(), grid, DayMarking::GridTag::MainForm, Now);
        DayMarking::MarkToday(grid, DayMarking::GridTag::MainForm, Now.date());
        benchmark::DoNotOptimize(grid);
    }
}

void BM_DaySummary(benchmark::State& state)
{
    ScheduleDatabase& db = databaseWith(size_t(state.range(0)));
    const QString day = QStringLiteral("06/12/2014");
    for (auto _ : state)
        benchmark::DoNotOptimize(DayMarking::DaySummary(db.table(), day));
}

void BM_LoadStore(benchmark::State& state)
{
    const QString path = fileWith(size_t(state.range(0)));
    size_t bytes = 0;
    size_t heap = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        auto db = ScheduleDatabase::open(path, nullptr);
        // The lookups a first hover and a first alarm tick build belong to the loaded store too.
        db->cachedTable().storedOn(PackedDate::from(Now.date()));
        heap = mallinfo2().uordblks - before;
        bytes = db->cachedTable().memoryBytes();
        benchmark::DoNotOptimize(db);
    }
    state.counters["table_MB"] = double(bytes) / 1e6;
    state.counters["heap_MB"] = double(heap) / 1e6;
}

void BM_NaiveAlarmTick(benchmark::State& state)
{
    ScheduleDatabase& db = databaseWith(size_t(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(naiveAlarmTick(db));
}

void BM_NaiveMarkDays(benchmark::State& state)
{
    ScheduleDatabase& db = databaseWith(size_t(state.range(0)));
    const MonthGrid fresh = unmarkedGrid(6, 2014);
    for (auto _ : state) {
        MonthGrid grid = fresh;
        naiveMarkDays(db, grid);
        benchmark::DoNotOptimize(grid);
    }
}

void BM_NaiveDaySummary(benchmark::State& state)
{
    ScheduleDatabase& db = databaseWith(size_t(state.range(0)));
    const QString day = QStringLiteral("06/12/2014");
    for (auto _ : state)
        benchmark::DoNotOptimize(naiveDaySummary(db, day));
}

// Times one step of the window's thread against a schedule that another connection holds with an
// exclusive lock. Each round opens the schedule afresh, so that every step is the first to meet the lock
// and waits the longest the store ever waits; the counter max_ms is the longest round.
void timeUnderLock(benchmark::State& state, const std::function<void(ScheduleDatabase&)>& step)
{
    const QString path = fileWith(size_t(state.range(0)));
    double longest = 0;
    for (auto _ : state) {
        auto db = ScheduleDatabase::open(path, nullptr);
        db->cachedTable().storedOn(PackedDate::from(Now.date())); // a first hover's lookups, not the file's
        sqlite3* other = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &other);
        sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        const auto start = std::chrono::steady_clock::now();
        step(*db);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        longest = std::max(longest, took.count() * 1000);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }
    state.counters["max_ms"] = longest;
}

void BM_LookUnderLock(benchmark::State& state)
{
    timeUnderLock(state, [](ScheduleDatabase& db) {
        benchmark::DoNotOptimize(DayMarking::DaySummary(db.table(), QStringLiteral("06/12/2014")));
    });
}

void BM_SaveRefusedUnderLock(benchmark::State& state)
{
    const ScheduleEntry entry =
        ScheduleEntry::make(QStringLiteral("06/12/2014"), QStringLiteral("Thursday"),
                            QStringLiteral("Dentist"), QStringLiteral("note"), QStringLiteral("10:30:00 AM"),
                            QStringLiteral("on"), QStringLiteral("OneTime"));
    timeUnderLock(state, [&](ScheduleDatabase& db) {
        // The add dialog's Save: a fresh recordset, its count, the move to the last record, the write.
        Recordset records(db);
        if (records.recordCount() > 0)
            records.moveLast();
        records.addNew();
        for (int f = 0; f < ScheduleFieldCount; ++f)
            records.setField(ScheduleField(f), entry.fields[size_t(f)]);
        const StoreResult saved = records.update();
        if (saved)
            std::abort(); // a save under another program's lock must be refused
    });
}

} // namespace

BENCHMARK(BM_LookUnderLock)->Arg(100000)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveRefusedUnderLock)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AlarmPass)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MarkDays)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DaySummary)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadStore)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NaiveAlarmTick)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NaiveMarkDays)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_NaiveDaySummary)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
