#include "exchange/IcalHandles.h"
#include "exchange/IcsImport.h"
#include "exchange/ZoneLimits.h"
#include "store/ScheduleDatabase.h"
#include "support/ScheduleFolder.h"

#include <QTest>

// Times written in the zones real files describe badly or name by older names, read in two local zones:
// each is the moment the file means, never the same wall-clock time in UTC.
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
        both("Older name of Kolkata", "01/10/2024", "05:30:00 AM", "01/09/2024", "11:30:00 PM");
        both("Older name of Kyiv", "07/10/2024", "09:00:00 AM", "07/10/2024", "03:00:00 AM");
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
        QCOMPARE(result.added, 8);
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

    void zoneRulesOfBoundedCost_data()
    {
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("the usual yearly rule")
            << QByteArray("FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU") << QString();
        QTest::newRow("with the hour and minute of the change")
            << QByteArray("FREQ=YEARLY;BYMINUTE=0;BYHOUR=2;BYDAY=-1SU;BYMONTH=10") << QString();
        QTest::newRow("a second of the change too")
            << QByteArray("FREQ=YEARLY;BYSECOND=0;BYMINUTE=0;BYHOUR=2;BYDAY=-1SU;BYMONTH=10") << QString();
        QTest::newRow("two hours of a day")
            << QByteArray("FREQ=YEARLY;BYHOUR=1,2;BYDAY=-1SU;BYMONTH=10") << "more often than once a year";
        QTest::newRow("every minute of a day")
            << QByteArray("FREQ=YEARLY;BYMINUTE=0,1,2,3,4,5;BYMONTH=10") << "more often than once a year";
        QTest::newRow("every minute")
            << QByteArray("FREQ=MINUTELY") << "its rule changes the offset minutely";
    }

    void zoneRulesOfBoundedCost()
    {
        QFETCH(QByteArray, rule);
        QFETCH(QString, refusal);
        const QByteArray text = "BEGIN:VTIMEZONE\nTZID:Z\nBEGIN:STANDARD\nDTSTART:19700101T030000\n"
                                "TZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nRRULE:" +
                                rule + "\nEND:STANDARD\nEND:VTIMEZONE\n";
        const Ical::Component zone(icalparser_parse_string(text.constData()));
        QVERIFY(zone);
        const std::optional<QString> why = ZoneLimits::refusal(zone.get());
        QCOMPARE(why.has_value(), !refusal.isEmpty());
        if (why)
            QVERIFY2(why->contains(refusal), qPrintable(*why));
    }
};

QTEST_GUILESS_MAIN(TestZoneReading)
#include "TestZoneReading.moc"
