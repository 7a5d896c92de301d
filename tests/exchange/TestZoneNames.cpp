#include "exchange/ZoneNames.h"

#include <QTest>

// Zone names of calendar files as the system's zones: IANA names, Windows ids and Outlook's display names.
class TestZoneNames : public QObject
{
    Q_OBJECT

private slots:
    void namesOfTheIanaFormOnly()
    {
        QVERIFY(ZoneNames::hasIanaForm("Europe/Berlin"));
        QVERIFY(ZoneNames::hasIanaForm("America/Argentina/Buenos_Aires"));
        QVERIFY(ZoneNames::hasIanaForm("Etc/GMT+5"));
        QVERIFY(!ZoneNames::hasIanaForm("../../../tmp/fifo"));
        QVERIFY(!ZoneNames::hasIanaForm("/etc/passwd"));
        QVERIFY(!ZoneNames::hasIanaForm("W. Europe Standard Time"));
        QVERIFY(!ZoneNames::hasIanaForm(""));
        QVERIFY(ZoneNames::looksLikePath("../../../tmp/fifo"));
        QVERIFY(ZoneNames::looksLikePath("Europe/../../x"));
        QVERIFY(ZoneNames::looksLikePath(" /etc/passwd"));
        QVERIFY(ZoneNames::looksLikePath("\x1b[2J"));
        QVERIFY(!ZoneNames::looksLikePath("W. Europe Standard Time"));
    }

    void systemZones_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("IANA") << QByteArray("Australia/Sydney") << QByteArray("Australia/Sydney");
        QTest::newRow("Windows id") << QByteArray("W. Europe Standard Time") << QByteArray("Europe/Berlin");
        QTest::newRow("Outlook's display name")
            << QByteArray("(UTC-05:00) Eastern Time (US & Canada)") << QByteArray("America/New_York");
        QTest::newRow("older display name")
            << QByteArray("(GMT+01.00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna")
            << QByteArray("Europe/Berlin");
        // The older names tzdata keeps as links, which Qt's list of zones leaves out.
        QTest::newRow("US/Central") << QByteArray("US/Central") << QByteArray("America/Chicago");
        QTest::newRow("US/Eastern") << QByteArray("US/Eastern") << QByteArray("America/New_York");
        QTest::newRow("Asia/Calcutta") << QByteArray("Asia/Calcutta") << QByteArray("Asia/Kolkata");
        QTest::newRow("Europe/Kiev") << QByteArray("Europe/Kiev") << QByteArray("Europe/Kyiv");
        QTest::newRow("a fixed zone of tzdata") << QByteArray("Etc/GMT+5") << QByteArray("Etc/GMT+5");
        // Abbreviations name several zones, and Qt would read them as POSIX rules of offset 0; tzdata's
        // zones of that shape ("EST", "CET") are read as the abbreviations people mean by them.
        for (const char* abbreviation : {"PST", "BST", "AEST", "MSK", "IST", "FOO", "EST", "CET"})
            QTest::newRow(abbreviation) << QByteArray(abbreviation) << QByteArray();
        QTest::newRow("an unknown display name") << QByteArray("(UTC+01:00) Nowhere") << QByteArray();
    }

    void systemZones()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, zone);
        const std::optional<QTimeZone> found = ZoneNames::systemZone(name);
        QCOMPARE(found.has_value(), !zone.isEmpty());
        if (found)
            QCOMPARE(found->id(), zone);
    }
};

QTEST_GUILESS_MAIN(TestZoneNames)
#include "TestZoneNames.moc"
