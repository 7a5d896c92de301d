#include "exchange/IcsImport.h"
#include "store/ScheduleDatabase.h"
#include "support/ScheduleFolder.h"

#include <QTest>

// Times written in the zones real files describe badly or name by older names, read in two local zones:
// each is the moment the file means, never the same wall-clock time in UTC. (Older names alone are in
// TestZoneNames.)
class TestZoneReading : public QObject
{
    Q_OBJECT

private:
    ScheduleFolder m_folder;

private slots:
    void timesOfOddZonesAreTheMomentsMeant_data()
    {
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");

        const auto both = [](const char* subject, const char* berlinDate, const char* berlinTime,
                             const char* newYorkDate, const char* newYorkTime) {
            QTest::addRow("%s, in Berlin", subject)
                << QByteArray("Europe/Berlin") << QString::fromUtf8(subject) << berlinDate << berlinTime;
            QTest::addRow("%s, in New York", subject)
                << QByteArray("America/New_York") << QString::fromUtf8(subject) << newYorkDate << newYorkTime;
        };
        // Parts with the offset after the change alone: the system's zone of that name (Los Angeles).
        both("Apple's zone without changes", "07/10/2005", "07:00:00 PM", "07/10/2005", "01:00:00 PM");
        // A name no system knows: the one offset given, +05:30.
        both("Offsets given only", "03/10/2024", "05:30:00 AM", "03/09/2024", "11:30:00 PM");
        // 2005 lies before the 2007 rules the file gives: New York's own summer time of 2005.
        both("Before the first change", "07/10/2005", "04:00:00 PM", "07/10/2005", "10:00:00 AM");
        // Before the first change of a zone no system knows: the offset that change starts from, +03:00.
        both("Before the change of an unknown zone", "07/10/2005", "09:00:00 AM", "07/10/2005",
             "03:00:00 AM");
        // Lotus Notes' yearly rules name the hour and minute of the change.
        both("A rule at one hour", "07/10/2024", "10:00:00 AM", "07/10/2024", "04:00:00 AM");
        both("Older name of Chicago", "07/10/2024", "05:00:00 PM", "07/10/2024", "11:00:00 AM");
    }

    void timesOfOddZonesAreTheMomentsMeant()
    {
        QFETCH(QByteArray, local);
        QFETCH(QString, subject);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFile::remove(m_folder.schedulePath());
        auto db = m_folder.openSchedule();
        QStringList notices;
        IcsImport::Options options;
        options.notice = [&](const QString& line) { notices << line; };
        const IcsImport::Result result =
            IcsImport::run(*db, QFINDTESTDATA("fixtures/odd-zones.ics"), QTimeZone(local), options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.added, 6);
        QCOMPARE(result.unknownZones, 0);
        QVERIFY2(notices.isEmpty(), qPrintable(notices.join(u'\n')));
        const ScheduleTable& table = db->table();
        for (size_t i = 0; i < table.size(); ++i) {
            if (table.text(i, ScheduleField::Subject) != subject)
                continue;
            QCOMPARE(table.text(i, ScheduleField::Date), date);
            QCOMPARE(table.text(i, ScheduleField::AlarmTime), time);
            return;
        }
        QFAIL("the event did not come in");
    }
};

QTEST_GUILESS_MAIN(TestZoneReading)
#include "TestZoneReading.moc"
