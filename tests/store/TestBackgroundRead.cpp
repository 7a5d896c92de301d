#include "store/AlarmWatch.h"
#include "store/ScheduleDatabase.h"
#include "support/OtherConnection.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

ScheduleEntry alarmAt(const QString& subject, const QString& time)
{
    return ScheduleEntry::make(QStringLiteral("06/12/2014"), QStringLiteral("Thursday"), subject,
                               QStringLiteral("note"), time, QStringLiteral("on"), QStringLiteral("OneTime"));
}

QDateTime at(int h, int min, int s)
{
    return QDateTime(QDate(2014, 6, 12), QTime(h, min, s), QTimeZone::utc());
}

QStringList subjectsOf(const ScheduleTable& table)
{
    QStringList subjects;
    for (size_t i = 0; i < table.size(); ++i)
        subjects << table.text(i, ScheduleField::Subject);
    return subjects;
}

} // namespace

// Another program's change read on a worker thread while the window's thread answers from the table it
// has, and the alarm check kept exact across the exchange of the tables.
class TestBackgroundRead : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ScheduleDatabase> m_db;

    QStringList due(AlarmWatch& watch, const QDateTime& now)
    {
        const ScheduleTable& table = m_db->table();
        QStringList subjects;
        for (size_t i : watch.due(table, now))
            subjects << table.text(i, ScheduleField::Subject);
        return subjects;
    }

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("%1.vmr").arg(QTest::currentTestFunction()));
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(m_path));
        m_db = ScheduleDatabase::open(m_path, nullptr);
        QVERIFY(m_db);
        QVERIFY(m_db->append(alarmAt("Kept", "10:00:00 AM")));
        m_db->setReadInBackground(true);
    }

    void cleanup() { m_db.reset(); }

    void anotherProgramsChangeIsReadWhileTheOldTableAnswers()
    {
        OtherConnection(m_path).exec(
            "INSERT INTO Schedule VALUES ('06/12/2014', 'Thursday', 'Added', 'n', '10:00:00 AM', 'on', "
            "'OneTime')");
        const ScheduleTable& first = m_db->table();
        QCOMPARE(subjectsOf(first), QStringList{"Kept"});
        QVERIFY(first.outdated());
        QVERIFY(m_db->readingInBackground());

        m_db->finishBackgroundRead();
        const ScheduleTable& fresh = m_db->table();
        QCOMPARE(subjectsOf(fresh), (QStringList{"Kept", "Added"}));
        QVERIFY(!fresh.outdated());
        QVERIFY(!m_db->readingInBackground());
        // The fresh table's lookups came with it: the first hover after the exchange builds nothing.
        QVERIFY(fresh.lookupsReady());
        QCOMPARE(fresh.storedOn(PackedDate{2014, 6, 12}).size(), size_t(2));
    }

    void ownWritesShowAtOnceAndSurviveAReadUnderWay()
    {
        OtherConnection(m_path).exec(
            "INSERT INTO Schedule VALUES ('06/12/2014', 'Thursday', 'Added', 'n', '11:00:00 AM', 'on', "
            "'OneTime')");
        QCOMPARE(m_db->table().size(), size_t(1));
        QVERIFY(m_db->readingInBackground());
        QVERIFY(m_db->append(alarmAt("Mine", "12:00:00 PM")));
        // The own entry shows at once. The worker may have finished its read of so small a file before
        // the write looked at the table; the write then took the fresh table in first.
        const QStringList atOnce = subjectsOf(m_db->cachedTable());
        QVERIFY2(atOnce == (QStringList{"Kept", "Mine"}) || atOnce == (QStringList{"Kept", "Added", "Mine"}),
                 qPrintable(atOnce.join(u',')));

        // Otherwise the read that began before the own write is let go, and the next look reads again.
        if (atOnce == QStringList{"Kept", "Mine"}) {
            m_db->finishBackgroundRead();
            QCOMPARE(subjectsOf(m_db->table()), (QStringList{"Kept", "Mine"}));
        }
        m_db->finishBackgroundRead();
        QCOMPARE(subjectsOf(m_db->table()), (QStringList{"Kept", "Added", "Mine"}));
        QVERIFY(!m_db->table().outdated());
    }

    void anEntryDeletedElsewhereMeanwhileIsNotChanged()
    {
        OtherConnection(m_path).exec("DELETE FROM Schedule");
        const qint64 row = m_db->table().rowId(0);
        const StoreResult changed = m_db->update(row, alarmAt("Changed", "10:00:00 AM"));
        QVERIFY(!changed);
        QCOMPARE(changed.error,
                 QStringLiteral("The entry is no longer in the schedule; it was not changed."));
        const StoreResult removed = m_db->remove(row);
        QVERIFY(!removed);
        QCOMPARE(removed.error, QStringLiteral("The entry is no longer in the schedule."));
        m_db->finishBackgroundRead();
        QVERIFY(m_db->table().empty());
    }

    void aWriteElsewhereBetweenTicksRingsItsAlarmOnce()
    {
        AlarmWatch watch;
        QVERIFY(due(watch, at(9, 59, 59)).isEmpty());
        OtherConnection(m_path).exec(
            "INSERT INTO Schedule VALUES ('06/12/2014', 'Thursday', 'Added', 'n', '10:00:00 AM', 'on', "
            "'OneTime')");
        // The tick that notices the change still answers from the old table.
        QCOMPARE(due(watch, at(10, 0, 0)), QStringList{"Kept"});
        m_db->finishBackgroundRead();
        QCOMPARE(due(watch, at(10, 0, 1)), QStringList{"Added"});
        QVERIFY(due(watch, at(10, 0, 2)).isEmpty());
    }

    void anAlarmFallingWhileTheReadIsUnderWayRingsOnce()
    {
        AlarmWatch watch;
        QVERIFY(due(watch, at(9, 59, 58)).isEmpty());
        OtherConnection(m_path).exec(
            "INSERT INTO Schedule VALUES ('06/12/2014', 'Thursday', 'Soon', 'n', '09:59:59 AM', 'on', "
            "'OneTime'), ('06/12/2014', 'Later', 'Later', 'n', '10:00:01 AM', 'on', 'OneTime')");
        QVERIFY(due(watch, at(9, 59, 59)).isEmpty());
        // An own write lets the read under way go, so the next ticks still see the outdated table.
        QVERIFY(m_db->append(alarmAt("Mine", "10:00:00 AM")));
        QStringList rung = due(watch, at(10, 0, 0));
        QVERIFY(!rung.contains("Soon"));
        rung += due(watch, at(10, 0, 1));
        for (int second = 2; second < 6; ++second) {
            m_db->finishBackgroundRead();
            rung += due(watch, at(10, 0, second));
        }
        rung.sort();
        QCOMPARE(rung, (QStringList{"Kept", "Later", "Mine", "Soon"}));
        QVERIFY(!m_db->table().outdated());
    }
};

QTEST_GUILESS_MAIN(TestBackgroundRead)
#include "TestBackgroundRead.moc"
