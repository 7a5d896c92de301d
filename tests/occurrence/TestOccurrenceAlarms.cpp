#include "exchange/IcsImport.h"
#include "occurrence/ScheduleOccurrences.h"
#include "store/AlarmWatch.h"
#include "store/Recurrence.h"
#include "support/ScheduleFolder.h"

#include <QTest>

// The alarms of an entry that keeps its recurrence, under a clock the test sets: each occurrence rings
// once at its second, late after a gap, not again after a step back or a restart, a changed occurrence at
// its new time and a cancelled one never, and every alarm of the event.
namespace {

// Every Saturday at 10:00 on the local clock, from 4 January 2025, with an alarm at the start and one a
// day before; the third Saturday moved to Sunday 17:00, the fourth cancelled.
const QByteArray Calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
                            "BEGIN:VEVENT\r\nUID:choir\r\nSUMMARY:Choir\r\nDTSTART:20250104T100000\r\n"
                            "RRULE:FREQ=WEEKLY;BYDAY=SA\r\n"
                            "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:PT0S\r\nEND:VALARM\r\n"
                            "BEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER:-P1D\r\nEND:VALARM\r\nEND:VEVENT\r\n"
                            "BEGIN:VEVENT\r\nUID:choir\r\nSUMMARY:Choir in the church\r\n"
                            "RECURRENCE-ID:20250118T100000\r\nDTSTART:20250119T170000\r\nEND:VEVENT\r\n"
                            "BEGIN:VEVENT\r\nUID:choir\r\nSUMMARY:Choir\r\nSTATUS:CANCELLED\r\n"
                            "RECURRENCE-ID:20250125T100000\r\nDTSTART:20250125T100000\r\nEND:VEVENT\r\n"
                            "END:VCALENDAR\r\n";

QDateTime at(int month, int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(2025, month, day), QTime(hour, minute, second));
}

qint64 wall(const QDateTime& t)
{
    return Recurrence::wallSecond(t);
}

} // namespace

class TestOccurrenceAlarms : public QObject
{
    Q_OBJECT

private:
    ScheduleFolder m_folder;
    std::unique_ptr<ScheduleDatabase> m_db;

    // The alarms the watch rings, each as its second, while the clock goes from `from` to `to` in steps.
    static QList<qint64> rung(AlarmWatch& watch, const ScheduleTable& table, const KeptRecurrences& kept,
                              const QDateTime& from, const QDateTime& to, qint64 step)
    {
        QList<qint64> seconds;
        for (QDateTime t = from; t <= to; t = t.addSecs(step)) {
            for (const AlarmWatch::Occurrence& o : watch.dueOccurrences(table, t, &kept))
                seconds << o.second;
        }
        return seconds;
    }

private slots:
    void initTestCase()
    {
        m_db = m_folder.openSchedule();
        QVERIFY(m_db);
        const IcsImport::Result result =
            IcsImport::run(*m_db, m_folder.writeFile(Calendar), QTimeZone::systemTimeZone());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.rulesKept, 1);
        QVERIFY(m_db->table().alarmOn(0));
    }

    void eachOccurrenceRingsOnceAtEachOfItsAlarms()
    {
        ScheduleOccurrences kept(*m_db);
        AlarmWatch watch;
        // Second by second around the second Saturday: its day-before alarm, then its own, once each.
        QList<qint64> seconds = rung(watch, m_db->table(), kept, at(1, 10, 9, 59, 0), at(1, 10, 10, 1, 0), 1);
        QCOMPARE(seconds, QList<qint64>({wall(at(1, 10, 10))}));
        seconds = rung(watch, m_db->table(), kept, at(1, 10, 10, 1, 1), at(1, 11, 10, 1, 0), 1);
        QCOMPARE(seconds, QList<qint64>({wall(at(1, 11, 10))}));
        // The clock set back an hour rings nothing twice.
        seconds = rung(watch, m_db->table(), kept, at(1, 11, 9, 1, 0), at(1, 11, 10, 30, 0), 7);
        QVERIFY(seconds.isEmpty());
        // Minute ticks over three weeks: the moved one a day before its new time and at it, the cancelled
        // one never (nor a day before it), the next after it as usual.
        seconds = rung(watch, m_db->table(), kept, at(1, 11, 10, 31), at(2, 1, 12, 0), 60);
        QCOMPARE(seconds, QList<qint64>({wall(at(1, 18, 17)), wall(at(1, 19, 17)), wall(at(1, 31, 10)),
                                         wall(at(2, 1, 10))}));
    }

    void aLateTickAndARestartRingEachOnce()
    {
        // The machine slept over the second Saturday's morning: its alarm rings late, once, with the
        // second it was due at.
        ScheduleOccurrences kept(*m_db);
        AlarmWatch watch;
        QVERIFY(watch.dueOccurrences(m_db->table(), at(1, 11, 9, 0), &kept).empty());
        std::vector<AlarmWatch::Occurrence> late = watch.dueOccurrences(m_db->table(), at(1, 11, 12, 0), &kept);
        QCOMPARE(late.size(), size_t(1));
        QCOMPARE(late[0].second, wall(at(1, 11, 10)));
        QVERIFY(watch.dueOccurrences(m_db->table(), at(1, 11, 12, 0, 1), &kept).empty());
        const qint64 covered = watch.lastCheckedSecond();

        // A restart goes on from the second the last run covered: nothing rings again.
        ScheduleOccurrences afterRestart(*m_db);
        AlarmWatch resumed;
        resumed.resumeFrom(covered);
        QVERIFY(resumed.dueOccurrences(m_db->table(), at(1, 11, 12, 5), &afterRestart).empty());

        // A run that ended before the alarm rings it at the next start, late, once.
        ScheduleOccurrences another(*m_db);
        AlarmWatch earlier;
        earlier.resumeFrom(wall(at(1, 11, 9, 30)));
        late = earlier.dueOccurrences(m_db->table(), at(1, 11, 10, 20), &another);
        QCOMPARE(late.size(), size_t(1));
        QCOMPARE(late[0].second, wall(at(1, 11, 10)));
        QVERIFY(earlier.dueOccurrences(m_db->table(), at(1, 11, 10, 21), &another).empty());
    }

    void aChangedOccurrenceRingsWithItsOwnSubject()
    {
        ScheduleOccurrences kept(*m_db);
        AlarmWatch watch;
        QVERIFY(watch.dueOccurrences(m_db->table(), at(1, 19, 16, 59, 59), &kept).empty());
        const std::vector<AlarmWatch::Occurrence> due = watch.dueOccurrences(m_db->table(), at(1, 19, 17), &kept);
        QCOMPARE(due.size(), size_t(1));
        QCOMPARE(due[0].subject, QStringLiteral("Choir in the church"));
    }
};

QTEST_GUILESS_MAIN(TestOccurrenceAlarms)
#include "TestOccurrenceAlarms.moc"
