#include "exchange/IcsImport.h"
#include "occurrence/ScheduleOccurrences.h"
#include "store/Countdown.h"
#include "store/DayMarking.h"
#include "store/MonthLayout.h"
#include "store/YearMarks.h"
#include "support/ScheduleFolder.h"

#include <QSignalSpy>
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

    // Worked out on the thread pool: the days count nothing until the year's index is in, and then its
    // listeners hear of it; a changed rule is taken into the index at once, without working the year out
    // again. The day's first occurrences come by start, also two of one rule.
    void indexWorkedOutOffThreadFollowsRuleChanges()
    {
        ScheduleOccurrences occurrences(*m_db);
        occurrences.setWorkOffThread(true);
        QSignalSpy known(occurrences.known(), &OccurrencesKnown::known);
        const QDate first(2025, 1, 1);
        const std::vector<int> before = occurrences.counts(first, QDate(2025, 1, 31));
        QCOMPARE(std::count(before.begin(), before.end(), 0), 31);
        QVERIFY(known.wait(20000));
        QVERIFY(occurrences.settled());
        std::vector<int> after = occurrences.counts(first, QDate(2025, 1, 31));
        QCOMPARE(after[3], 1);  // the choir on the 4th
        QCOMPARE(after[12], 1); // the trip's first day
        QCOMPARE(after[17], 0); // the excluded Saturday

        qint64 choir = 0;
        for (size_t i = 0; i < m_db->table().size(); ++i) {
            if (m_db->table().text(i, ScheduleField::Subject) == QLatin1String("Choir"))
                choir = m_db->table().rowId(i);
        }
        QVERIFY(choir != 0);
        const quint64 knownBefore = occurrences.knownCount();
        QVERIFY(m_db->setRule(choir, "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:choir\r\nSUMMARY:Choir\r\n"
                                     "DTSTART:20250104T100000\r\nRRULE:FREQ=DAILY;BYHOUR=9,18;COUNT=20\r\n"
                                     "END:VEVENT\r\nEND:VCALENDAR\r\n"));
        after = occurrences.counts(first, QDate(2025, 1, 31));
        QVERIFY(occurrences.settled());
        QVERIFY(occurrences.knownCount() > knownBefore);
        QCOMPARE(after[5], 2);  // 9:00 and 18:00 on the 6th
        QCOMPARE(after[12], 3); // and the trip on the 13th
        const KeptRecurrences::Day day = occurrences.onDay(QDate(2025, 1, 13), 2);
        QCOMPARE(day.count, size_t(3));
        QCOMPARE(day.first.size(), size_t(2));
        QCOMPARE(day.first[0].subject, QStringLiteral("Trip"));
        QCOMPARE(day.first[1].start, QDateTime(QDate(2025, 1, 13), QTime(9, 0)));
    }

    // The day's first occurrences from the index are those of walking every rule, in the same order, however
    // many start in the same minute: one at half a minute past, one begun the day before, two of one rule.
    void dayListEqualsTheFirstOfEveryOccurrence_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("listed");
        for (const QDate day : {QDate(2025, 3, 3), QDate(2025, 3, 4), QDate(2025, 3, 8)}) {
            for (int listed : {0, 1, 2, 3, 5, 30})
                QTest::addRow("%s, %d", qPrintable(day.toString(Qt::ISODate)), listed) << day << listed;
        }
    }

    void dayListEqualsTheFirstOfEveryOccurrence()
    {
        QFETCH(QDate, day);
        QFETCH(int, listed);
        ScheduleFolder folder;
        auto db = folder.openSchedule();
        QVERIFY(db);
        QByteArray events;
        const auto event = [&](const QByteArray& uid, const QByteArray& lines) {
            events += "BEGIN:VEVENT\r\nUID:" + uid + "\r\nSUMMARY:" + uid + "\r\n" + lines + "END:VEVENT\r\n";
        };
        // The one half a minute past comes first in the schedule, before those on the minute.
        event("half", "DTSTART:20250301T100030\r\nRRULE:FREQ=DAILY;COUNT=400\r\n");
        for (const char* uid : {"d", "b", "e", "a"})
            event(uid, "DTSTART:20250301T100000\r\nRRULE:FREQ=DAILY;COUNT=400\r\n");
        event("night", "DTSTART:20250301T220000\r\nDTEND:20250302T110000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,SA\r\n");
        event("twice", "DTSTART:20250301T080000\r\nRRULE:FREQ=DAILY;BYHOUR=8,10;COUNT=800\r\n");
        const IcsImport::Result result = IcsImport::run(
            *db, folder.writeFile("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + events + "END:VCALENDAR\r\n"),
            QTimeZone::systemTimeZone());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.rulesKept, 7);
        ScheduleOccurrences occurrences(*db);
        std::vector<KeptRecurrences::Occurring> all = occurrences.onDays(day, day);
        const KeptRecurrences::Day found = occurrences.onDay(day, size_t(listed));
        QCOMPARE(found.count, all.size());
        all.resize(std::min(all.size(), size_t(listed)));
        QCOMPARE(found.first.size(), all.size());
        for (size_t i = 0; i < all.size(); ++i) {
            QCOMPARE(found.first[i].rowId, all[i].rowId);
            QCOMPARE(found.first[i].start, all[i].start);
        }
    }
};

QTEST_GUILESS_MAIN(TestScheduleOccurrences)
#include "TestScheduleOccurrences.moc"
