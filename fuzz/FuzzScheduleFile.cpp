// The store over a schedule file of any bytes: the file may be damaged, cut short or written by another
// program. Opening it must either refuse it with a reason, and leave it as it is, or read it whole; what
// it writes then is the entries' identities, in tables of its own, never a change to an entry.

#include "FuzzRequire.h"
#include "store/Countdown.h"
#include "store/DayMarking.h"
#include "store/MonthLayout.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"
#include "store/YearMarks.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything the windows read of a table: every text, the hint of every stored date, the markings and
// the alarms of the month of the first entry, and the countdowns.
void readAsTheWindowsDo(const ScheduleTable& table)
{
    const QDateTime now(QDate(2026, 12, 7), QTime(9, 30));
    QDate month = now.date();
    for (size_t i = 0; i < table.size(); ++i) {
        const ScheduleEntry entry = table.entry(i);
        const DayMarking::DayHint hint = DayMarking::dayHint(table, entry[ScheduleField::Date]);
        require(hint.count >= 0 && hint.subjects.size() <= DayMarking::DayHint::MaxSubjects);
        if (i == 0 && table.date(i).isValid())
            month = table.date(i).toDate();
    }
    MonthGrid grid;
    grid.monthIndex = month.month() - 1;
    grid.yearText = QString::number(month.year());
    for (const MonthLayout::CellPlace& place : MonthLayout::layoutMonth(month.month(), month.year()).cells)
        grid.cells.push_back(DayCell{place.caption, place.visible, Bgr::White, Bgr::Black, false});
    DayMarking::MarkDays(table, grid, DayMarking::GridTag::MainForm, now);
    DayMarking::MarkDays(table, grid, DayMarking::GridTag::FormOrganizer, now);
    YearMarks::of(table, month.year());
    for (size_t i : Recurrence::dueAlarms(table, now))
        require(i < table.size());
    UpcomingEntries upcoming;
    upcoming.refresh(table, now);
    for (size_t i = 0; i < upcoming.size(); ++i)
        upcoming.countdownText(i, now);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Zentravio.vmr"));
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(original);
    }
    std::vector<ScheduleEntry> read;
    bool opened = false;
    {
        QString error;
        const std::unique_ptr<ScheduleDatabase> database = ScheduleDatabase::open(path, &error);
        // A refused file is refused with a reason the user can read.
        require(database != nullptr || !error.isEmpty());
        opened = database != nullptr;
        if (database) {
            readAsTheWindowsDo(database->table());
            for (size_t i = 0; i < database->cachedTable().size(); ++i)
                read.push_back(database->cachedTable().entry(i));
        }
    }
    if (!opened) {
        require(contents(path) == original);
    } else {
        // Read again, every entry is as it was.
        const std::unique_ptr<ScheduleDatabase> again = ScheduleDatabase::open(path, nullptr);
        require(again != nullptr && again->cachedTable().size() == read.size());
        for (size_t i = 0; i < read.size(); ++i)
            require(again->cachedTable().entry(i) == read[i]);
    }
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    return 0;
}
