#include "exchange/ZoneWriting.h"

#include "exchange/ZoneLimits.h"

#include <QDateTime>
#include <QTest>

// The VTIMEZONE written beside events in a system zone, read by libical, must give every moment the
// offset the system's own zone data gives it: in the years it was asked for, and in later years by the
// rules it left open.
class TestZoneWriting : public QObject
{
    Q_OBJECT

private slots:
    void libicalReadsTheSystemsOffsets_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("firstYear");
        // Last Sundays, second Sundays, the southern half, no summer time at all, summer time ended,
        // offsets of 45 minutes, and a change on the Friday before the last Sunday.
        for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Sydney", "Asia/Kolkata",
                                 "America/Sao_Paulo", "Pacific/Chatham", "Asia/Jerusalem", "Europe/London"})
            QTest::newRow(zone) << QByteArray(zone) << 1990;
        QTest::newRow("New York from 1900") << QByteArray("America/New_York") << 1900;
    }

    void libicalReadsTheSystemsOffsets()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, firstYear);
        const QTimeZone system(zone);
        QVERIFY(system.isValid());
        Ical::Component described = ZoneWriting::describe(system, firstYear, 2026);
        QVERIFY(described);
        QCOMPARE(QByteArray(icalcomponent_get_first_property(described.get(), ICAL_TZID_PROPERTY)
                                ? icalproperty_get_tzid(
                                      icalcomponent_get_first_property(described.get(), ICAL_TZID_PROPERTY))
                                : ""),
                 zone);
        QVERIFY(!ZoneLimits::refusal(described.get()));

        icaltimezone* read = icaltimezone_new();
        QVERIFY(icaltimezone_set_component(read, described.release()));
        // Every eleven days to 2050, past the years the description was asked for.
        int wrong = 0;
        QString first;
        for (QDateTime at(QDate(std::max(firstYear, 1950), 1, 1), QTime(12, 0), QTimeZone::utc());
             at.date().year() < 2050; at = at.addDays(11).addSecs(3607)) {
            icaltimetype utc = icaltime_null_time();
            utc.year = at.date().year();
            utc.month = at.date().month();
            utc.day = at.date().day();
            utc.hour = at.time().hour();
            utc.minute = at.time().minute();
            utc.second = at.time().second();
            utc.zone = icaltimezone_get_utc_timezone();
            const icaltimetype there = icaltime_convert_to_zone(utc, read);
            const QDateTime expected = at.toTimeZone(system);
            const QDateTime got(QDate(there.year, there.month, there.day),
                                QTime(there.hour, there.minute, there.second));
            if (got != QDateTime(expected.date(), expected.time())) {
                if (first.isEmpty())
                    first = at.toString(Qt::ISODate) + QStringLiteral(": ") + got.toString(Qt::ISODate) +
                            QStringLiteral(" instead of ") + expected.toString(Qt::ISODate);
                ++wrong;
            }
        }
        icaltimezone_free(read, 1);
        QVERIFY2(wrong == 0, qPrintable(QStringLiteral("%1 moments wrong, first %2").arg(wrong).arg(first)));
    }

    void aZoneWithoutANameIsNotDescribed()
    {
        QVERIFY(ZoneWriting::isUtc(QTimeZone("Etc/UTC")));
        QVERIFY(ZoneWriting::isUtc(QTimeZone::utc()));
        QVERIFY(!ZoneWriting::isUtc(QTimeZone("Europe/London")));
        QVERIFY(!ZoneWriting::describe(QTimeZone(), 2000, 2026));
        QCOMPARE(ZoneWriting::tzid(QTimeZone("Europe/Berlin")), QByteArray("Europe/Berlin"));
    }
};

QTEST_GUILESS_MAIN(TestZoneWriting)
#include "TestZoneWriting.moc"
