#include "store/Countdown.h"
#include "store/Recurrence.h"

#include <QTest>
#include <QTimeZone>

#include <limits>

namespace {

struct Row
{
    const char* date;
    const char* subject;
    const char* time;
    const char* kind = "OneTime";
    const char* onOff = "on";
};

ScheduleEntry entryOf(const Row& r)
{
    return ScheduleEntry::make(QString::fromUtf8(r.date), QStringLiteral("Saturday"),
                               QString::fromUtf8(r.subject), QStringLiteral("note"),
                               QString::fromUtf8(r.time), QString::fromUtf8(r.onOff),
                               QString::fromUtf8(r.kind));
}

ScheduleTable tableOf(std::initializer_list<Row> rows)
{
    ScheduleTable table;
    qint64 rowId = 1;
    for (const Row& r : rows)
        table.append(rowId++, entryOf(r));
    return table;
}

// Countdowns read only the wall date and time of "now"; UTC keeps the machine's daylight-saving rules out.
QDateTime at(int y, int m, int d, int h, int min, int s)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s), QTimeZone::utc());
}

QStringList listed(const UpcomingEntries& upcoming, const ScheduleTable& table)
{
    QStringList result;
    for (size_t i = 0; i < upcoming.size(); ++i) {
        const size_t position = upcoming.position(i);
        if (position >= table.size() || table.rowId(position) != upcoming.rowId(i))
            return {QStringLiteral("stale position")};
        result << table.text(position, ScheduleField::Subject);
    }
    return result;
}

// What the list must hold at `now`, worked out entry by entry from the rule itself.
QList<qint64> aheadAt(const ScheduleTable& table, const QDateTime& now)
{
    QList<qint64> ids;
    for (size_t i = 0; i < table.size(); ++i) {
        if (table.date(i).isValid() && table.alarmSecond(i) != ScheduleTable::NoTime &&
            !Recurrence::IsPast(table.date(i).toDate(),
                                QTime::fromMSecsSinceStartOfDay(table.alarmSecond(i) * 1000), now))
            ids << table.rowId(i);
    }
    return ids;
}

QList<qint64> idsOf(const UpcomingEntries& upcoming)
{
    QList<qint64> ids;
    for (size_t i = 0; i < upcoming.size(); ++i)
        ids << upcoming.rowId(i);
    return ids;
}

} // namespace

class TestCountdown : public QObject
{
    Q_OBJECT

private slots:
    void countdownTexts_data()
    {
        QTest::addColumn<qint64>("secs");
        QTest::addColumn<QString>("text");
        QTest::newRow("days and more") << qint64(2 * 86400 + 3 * 3600 + 5 * 60 + 9) << "2 Day(s) 3:5:9";
        QTest::newRow("nothing") << qint64(0) << "0 Day(s) 0:0:0";
        QTest::newRow("hours") << qint64(82800) << "0 Day(s) 23:0:0";
        QTest::newRow("negative") << qint64(-90061) << "-1 Day(s) -1:-1:-1";
        QTest::newRow("negative seconds") << qint64(-59) << "0 Day(s) 0:0:-59";
        QTest::newRow("past 32 bits") << qint64(3'000'000'000) << "34722 Day(s) 5:20:0";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "106751991167300 Day(s) 15:30:7";
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min()
                                  << "-106751991167300 Day(s) -15:-30:-8";
    }

    void countdownTexts()
    {
        QFETCH(qint64, secs);
        QFETCH(QString, text);
        QCOMPARE(Countdown::CountdownText(secs), text);
    }

    void countsToTheStartOfTheAlarmMinute()
    {
        const QDateTime now = at(2002, 10, 12, 9, 30, 0);
        const qint32 alarm = 8 * 3600 + 30 * 60 + 45;
        QCOMPARE(Countdown::secondsUntil(QDate(2002, 10, 13), alarm, now), qint64(82800));
        QCOMPARE(Countdown::secondsUntil(QDate(2002, 10, 12), alarm, now), qint64(-3600));
        QCOMPARE(Countdown::secondsUntil(QDate(2002, 10, 12), 9 * 3600 + 30 * 60 + 59, now.addSecs(59)),
                 qint64(-59));
        // Seventy years ahead is past what 32 bits count.
        QCOMPARE(Countdown::secondsUntil(QDate(2072, 10, 12), 9 * 3600 + 30 * 60, now),
                 qint64(QDate(2002, 10, 12).daysTo(QDate(2072, 10, 12))) * 86400);
    }

    void listsWhatHasNotGoneByInTableOrder()
    {
        // Saturday 12 October 2002, 09:30:20.
        const QDateTime now = at(2002, 10, 12, 9, 30, 20);
        const ScheduleTable table = tableOf({{"10/13/2002", "Tomorrow", "08:30:45 AM"},
                                             {"10/12/2002", "This minute", "09:30:00 AM"},
                                             {"10/12/2002", "Next minute", "09:31:00 AM", "OneTime", "off"},
                                             {"10/11/2002", "Yesterday daily", "11:00:00 PM", "Everyday"},
                                             {"12/25/2002", "Odd kind", "10:00:00 AM", "Sometimes"},
                                             {"10/13/2002", "No time", "later"},
                                             {"13/13/2002", "No date", "10:00:00 AM"},
                                             {"01/01/2003", "Yearly", "12:00:00 AM", "yearly", "On"}});
        UpcomingEntries upcoming;
        QVERIFY(upcoming.refresh(table, now));
        QCOMPARE(listed(upcoming, table), QStringList({"Tomorrow", "Next minute", "Odd kind", "Yearly"}));
        QCOMPARE(upcoming.date(0), QDate(2002, 10, 13));
        QCOMPARE(upcoming.alarmSecond(0), 8 * 3600 + 30 * 60 + 45);
        QCOMPARE(upcoming.countdownText(0, at(2002, 10, 12, 9, 30, 0)), QStringLiteral("0 Day(s) 23:0:0"));
        QCOMPARE(upcoming.secondsLeft(1, now), qint64(40));
        QCOMPARE(upcoming.countdownText(1, now), QStringLiteral("0 Day(s) 0:0:40"));
    }

    void theListShrinksAsEntriesGoBy()
    {
        ScheduleTable table = tableOf({{"10/12/2002", "First", "10:31:00 AM"},
                                       {"10/12/2002", "Second", "10:32:00 AM"},
                                       {"10/12/2002", "Third", "10:33:00 AM"}});
        UpcomingEntries upcoming;
        QVERIFY(upcoming.refresh(table, at(2002, 10, 12, 10, 30, 0)));
        QVERIFY(!upcoming.refresh(table, at(2002, 10, 12, 10, 30, 59)));
        QCOMPARE(upcoming.size(), size_t(3));
        QVERIFY(upcoming.refresh(table, at(2002, 10, 12, 10, 31, 0)));
        QCOMPARE(listed(upcoming, table), QStringList({"Second", "Third"}));
        QVERIFY(!upcoming.refresh(table, at(2002, 10, 12, 10, 31, 30)));
        QVERIFY(upcoming.refresh(table, at(2002, 10, 12, 10, 40, 0)));
        QVERIFY(upcoming.empty());
        QVERIFY(!upcoming.refresh(table, at(2002, 10, 13, 10, 40, 0)));

        // A clock set back brings the entries back.
        QVERIFY(upcoming.refresh(table, at(2002, 10, 12, 10, 31, 59)));
        QCOMPARE(listed(upcoming, table), QStringList({"Second", "Third"}));
    }

    void aChangedTableIsLookedAtAgain()
    {
        const QDateTime now = at(2002, 10, 12, 10, 0, 0);
        ScheduleTable table =
            tableOf({{"10/11/2002", "Past", "10:00:00 AM"}, {"10/13/2002", "Ahead", "10:00:00 AM"}});
        UpcomingEntries upcoming;
        QVERIFY(upcoming.refresh(table, now));
        QVERIFY(!upcoming.refresh(table, now.addSecs(1)));

        table.append(5, entryOf({"10/14/2002", "Added", "10:00:00 AM"}));
        QVERIFY(upcoming.refresh(table, now));
        QCOMPARE(listed(upcoming, table), QStringList({"Ahead", "Added"}));

        // Removing a past entry moves the listed ones up; their positions follow.
        table.remove(0);
        QVERIFY(upcoming.refresh(table, now));
        QCOMPARE(listed(upcoming, table), QStringList({"Ahead", "Added"}));
        QCOMPARE(upcoming.position(0), size_t(0));

        table.replace(0, entryOf({"10/13/2002", "Renamed", "10:00:00 AM"}));
        QVERIFY(upcoming.refresh(table, now));
        QCOMPARE(listed(upcoming, table), QStringList({"Renamed", "Added"}));

        // A table read afresh replaces the old one whole; it must not look unchanged.
        ScheduleTable reread =
            tableOf({{"10/13/2002", "Other", "10:00:00 AM"}, {"10/14/2002", "Added", "10:00:00 AM"}});
        const quint64 before = table.changeCount();
        table = std::move(reread);
        QVERIFY(table.changeCount() > before);
        QVERIFY(upcoming.refresh(table, now));
        QCOMPARE(listed(upcoming, table), QStringList({"Other", "Added"}));
    }

    // Between refreshes a listed entry is still found in a changed table, by its row id.
    void findsItsEntriesInAChangedTable()
    {
        const QDateTime now = at(2002, 10, 12, 10, 0, 0);
        ScheduleTable table = tableOf({{"10/11/2002", "Past", "10:00:00 AM"},
                                       {"10/13/2002", "Ahead", "10:00:00 AM"},
                                       {"10/14/2002", "Later", "10:00:00 AM"}});
        UpcomingEntries upcoming;
        QVERIFY(upcoming.refresh(table, now));
        QCOMPARE(upcoming.positionIn(table, 1), size_t(2));
        table.remove(0);
        QCOMPARE(upcoming.positionIn(table, 0), size_t(0));
        QCOMPARE(upcoming.positionIn(table, 1), size_t(1));
        table.remove(0);
        QCOMPARE(upcoming.positionIn(table, 0), table.size());
        QCOMPARE(table.text(upcoming.positionIn(table, 1), ScheduleField::Subject), QStringLiteral("Later"));
    }

    // Over the turn of a day, of a month and of a year, and with entries sharing a minute, the
    // list is always what the rule gives entry by entry, in table order.
    void followsTheRuleAsTimeGoesOn()
    {
        const ScheduleTable table = tableOf({{"01/01/2003", "New year", "12:00:59 AM"},
                                             {"12/31/2002", "Last minute", "11:59:00 PM"},
                                             {"11/01/2002", "November", "12:01:00 AM"},
                                             {"10/31/2002", "October", "11:58:30 PM"},
                                             {"12/31/2002", "Same minute", "11:59:59 PM", "Monthly"},
                                             {"01/01/2003", "Second", "12:01:00 AM", "OneTime", "off"},
                                             {"10/31/2002", "Noon", "12:00:00 PM"},
                                             {"10/30/2002", "Eve", "11:59:00 PM"}});
        const QList<QDateTime> stops = {
            at(2002, 10, 30, 23, 58, 59), at(2002, 10, 31, 0, 0, 5),    at(2002, 10, 31, 11, 59, 59),
            at(2002, 10, 31, 12, 0, 0),   at(2002, 10, 31, 23, 57, 10), at(2002, 10, 31, 23, 58, 0),
            at(2002, 10, 31, 23, 59, 59), at(2002, 11, 1, 0, 0, 0),     at(2002, 11, 1, 0, 1, 0),
            at(2002, 12, 31, 23, 58, 59), at(2002, 12, 31, 23, 59, 0),  at(2003, 1, 1, 0, 0, 0),
            at(2003, 1, 1, 0, 0, 59),     at(2003, 1, 1, 0, 1, 0)};
        UpcomingEntries upcoming;
        for (const QDateTime& now : stops) {
            upcoming.refresh(table, now);
            QCOMPARE(idsOf(upcoming), aheadAt(table, now));
        }
        QVERIFY(upcoming.empty());

        // And back again, the clock set back stop by stop.
        for (auto stop = stops.crbegin(); stop != stops.crend(); ++stop) {
            upcoming.refresh(table, *stop);
            QCOMPARE(idsOf(upcoming), aheadAt(table, *stop));
        }
        QCOMPARE(upcoming.size(), size_t(8));
    }
};

QTEST_GUILESS_MAIN(TestCountdown)
#include "TestCountdown.moc"
