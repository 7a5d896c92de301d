#include "exchange/IcsImport.h"
#include "occurrence/ScheduleOccurrences.h"
#include "store/Countdown.h"
#include "store/DayMarking.h"
#include "store/MonthLayout.h"
#include "store/YearMarks.h"
#include "support/ScheduleFolder.h"

#include <QTest>

// What the month grid, the day hint, the year view and the countdown list show of entries that keep a
// whole recurrence: every day an occurrence touches, in local time, a changed occurrence on its new day
// with its own subject, and the next occurrence once the last has gone by.
namespace {

// Floating times: the local clock's, whatever zone the test runs in.
const QByteArray Calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
                            "BEGIN:VEVENT\r\nUID:choir\r\nSUMMARY:Choir\r\nDTSTART:20250104T100000\r\n"
                            "DTEND:20250104T120000\r\nRRULE:FREQ=WEEKLY;BYDAY=SA;COUNT=6\r\n"
                            "EXDATE:20250118T100000\r\nEND:VEVENT\r\n"
                            "BEGIN:VEVENT\r\nUID:choir\r\nSUMMARY:Choir in the church\r\n"
                            "RECURRENCE-ID:20250125T100000\r\nDTSTART:20250126T170000\r\nEND:VEVENT\r\n"
                            "BEGIN:VEVENT\r\nUID:trip\r\nSUMMARY:Trip\r\nDTSTART;VALUE=DATE:20250113\r\n"
                            "DTEND;VALUE=DATE:20250116\r\nRRULE:FREQ=YEARLY;COUNT=2\r\nEND:VEVENT\r\n"
                            "END:VCALENDAR\r\n";

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

QList<int> blueDays(const MonthGrid& grid)
{
    QList<int> days;
    for (const DayCell& cell : grid.cells) {
        if (cell.visible && cell.foreColor == Bgr::RecurringBlue)
            days << cell.caption.toInt();
    }
    return days;
}

} // namespace

class TestScheduleOccurrences : public QObject
{
    Q_OBJECT

private:
    ScheduleFolder m_folder;
    std::unique_ptr<ScheduleDatabase> m_db;
    std::unique_ptr<ScheduleOccurrences> m_occurrences;

private slots:
    void initTestCase()
    {
        m_db = m_folder.openSchedule();
        QVERIFY(m_db);
        const IcsImport::Result result = IcsImport::run(*m_db, m_folder.writeFile(Calendar), QTimeZone::systemTimeZone());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.rulesKept, 2);
        m_occurrences = std::make_unique<ScheduleOccurrences>(*m_db);
    }

    void monthGridAndYearMarkEveryDay()
    {
        const QDateTime now(QDate(2025, 1, 1), QTime(8, 0));
        // Saturdays but the excluded 18th and the moved 25th; the changed one's Sunday; the trip's three
        // days. Next year only the trip is left (its second time), and the months between show nothing.
        const QList<std::tuple<int, int, QList<int>>> months = {
            {1, 2025, {4, 11, 13, 14, 15, 26}}, {2, 2025, {1, 8}}, {3, 2025, {}}, {1, 2026, {13, 14, 15}}};
        for (const auto& [month, year, days] : months) {
            for (const auto tag : {DayMarking::GridTag::MainForm, DayMarking::GridTag::FormOrganizer}) {
                MonthGrid grid = gridFor(month, year);
                DayMarking::MarkDays(m_db->table(), grid, tag, now, m_occurrences.get());
                QCOMPARE(blueDays(grid), days);
            }
            quint32 bits = 0;
            for (int day : days)
                bits |= quint32(1) << day;
            QCOMPARE(YearMarks::of(m_db->table(), year, m_occurrences.get()).days(month), bits);
        }
        // Without the occurrences, only the entries' own first days count, as earlier builds show them.
        MonthGrid plain = gridFor(1, 2025);
        DayMarking::MarkDays(m_db->table(), plain, DayMarking::GridTag::MainForm, now);
        QCOMPARE(blueDays(plain), QList<int>());
    }

    void dayHintNamesEachOccurrenceWithItsTime()
    {
        const auto hint = [&](const char* date) {
            return DayMarking::DaySummary(m_db->table(), QString::fromLatin1(date), m_occurrences.get());
        };
        QCOMPARE(hint("01/04/2025"), QStringLiteral("1 Entries: 10:00 AM Choir"));
        QCOMPARE(hint("01/18/2025"), QStringLiteral("0 Entries: "));
        QCOMPARE(hint("01/25/2025"), QStringLiteral("0 Entries: "));
        QCOMPARE(hint("01/26/2025"), QStringLiteral("1 Entries: 5:00 PM Choir in the church"));
        QCOMPARE(hint("01/13/2025"), QStringLiteral("1 Entries: 12:00 AM Trip"));
        QCOMPARE(hint("01/14/2025"), QStringLiteral("1 Entries: 13 Jan 12:00 AM Trip"));
        QCOMPARE(DayMarking::SpokenDay(m_db->table(), QDate(2025, 1, 4), m_occurrences.get()).right(7),
                 QStringLiteral("1 entry"));
    }

    void countdownGoesOnToTheNextOccurrence()
    {
        UpcomingEntries upcoming;
        const auto choirAt = [&]() -> QDateTime {
            for (size_t i = 0; i < upcoming.size(); ++i) {
                if (m_db->table().text(upcoming.position(i), ScheduleField::Subject) == QLatin1String("Choir"))
                    return QDateTime(upcoming.date(i), QTime::fromMSecsSinceStartOfDay(upcoming.alarmSecond(i) * 1000));
            }
            return {};
        };
        QVERIFY(upcoming.refresh(m_db->table(), QDateTime(QDate(2025, 1, 4), QTime(9, 0)), m_occurrences.get()));
        QCOMPARE(choirAt(), QDateTime(QDate(2025, 1, 4), QTime(10, 0)));
        QVERIFY(!upcoming.refresh(m_db->table(), QDateTime(QDate(2025, 1, 4), QTime(9, 59, 59)), m_occurrences.get()));
        // Its minute has come: the next Saturday.
        QVERIFY(upcoming.refresh(m_db->table(), QDateTime(QDate(2025, 1, 4), QTime(10, 0)), m_occurrences.get()));
        QCOMPARE(choirAt(), QDateTime(QDate(2025, 1, 11), QTime(10, 0)));
        // Past the excluded Saturday and the moved one, to the changed occurrence's own time.
        QVERIFY(upcoming.refresh(m_db->table(), QDateTime(QDate(2025, 1, 11), QTime(10, 0)), m_occurrences.get()));
        QCOMPARE(choirAt(), QDateTime(QDate(2025, 1, 26), QTime(17, 0)));
        // After the last one, the series leaves the list.
        upcoming.refresh(m_db->table(), QDateTime(QDate(2025, 2, 8), QTime(10, 0)), m_occurrences.get());
        QVERIFY(!choirAt().isValid());
    }
};

QTEST_GUILESS_MAIN(TestScheduleOccurrences)
#include "TestScheduleOccurrences.moc"
