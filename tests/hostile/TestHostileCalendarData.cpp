#include "exchange/CalendarDataCheck.h"

#include <QStringEncoder>
#include <QTest>

// Calendar data as a server may hand it out, judged before libical reads it: what the import would refuse
// or leave out is refused here with its line and reason; what the import takes passes. (The shape's
// faults are the import's own: TestIcsImport and TestHostileCalendarFiles.)
class TestHostileCalendarData : public QObject
{
    Q_OBJECT

private:
    static QByteArray calendar(const QByteArray& inside)
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Probe//Probe//EN\r\n" + inside +
               "END:VCALENDAR\r\n";
    }

    static QByteArray event(const QByteArray& lines)
    {
        return "BEGIN:VEVENT\r\nUID:probe\r\nDTSTAMP:20260101T000000Z\r\n" + lines + "END:VEVENT\r\n";
    }

    static QByteArray zone(const QByteArray& name, const QByteArray& rule)
    {
        return "BEGIN:VTIMEZONE\r\nTZID:" + name +
               "\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\nRRULE:" + rule +
               "\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    }

private slots:
    void dataIsJudgedBeforeItIsRead_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<QString>("says"); // empty when the data passes

        const QByteArray plain = event("DTSTART:20261207T100000Z\r\nSUMMARY:x\r\n");
        QTest::newRow("a plain event") << calendar(plain) << QByteArray("UTC") << qint64(0) << QString();
        QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QTest::newRow("UTF-16") << QByteArray(utf16.encode(QString::fromLatin1(calendar(plain))))
                                << QByteArray("UTC") << qint64(1) << "written in UTF-16";
        QTest::newRow("a line of 50 MB")
            << calendar(
                   event("DTSTART:20261207T100000Z\r\nDESCRIPTION:" + QByteArray(50 << 20, 'x') + "\r\n"))
            << QByteArray("UTC") << qint64(8) << "its line 8 is longer than 1 MB";
        // Refused whether an event uses the zone or not: libical would still hold it.
        QTest::newRow("a zone that changes every minute")
            << calendar(zone("Busy", "FREQ=MINUTELY") + plain) << QByteArray("UTC") << qint64(4)
            << "its time zone \"Busy\" is refused: its rule changes the offset minutely";
        QTest::newRow("a path as the zone of an end")
            << calendar(event("DTSTART:20261207T100000Z\r\nDTEND;TZID=../../../etc/x:20261207T110000\r\n"))
            << QByteArray("UTC") << qint64(8) << "its time zone \"../../../etc/x\" is no zone name";
        QTest::newRow("a quoted path among an exception's parameters")
            << calendar(event("DTSTART:20261207T100000Z\r\nEXDATE;X-A=\"a;b:c\";TZID=\"/dev/zero\":"
                              "20261208T100000\r\n"))
            << QByteArray("UTC") << qint64(8) << "\"/dev/zero\" is no zone name";
        // The last second of 9999 in UTC is in the year 10000 in Tokyo.
        const QByteArray lastSecond = calendar(event("DTSTART:99991231T235959Z\r\nSUMMARY:x\r\n"));
        QTest::newRow("the last second of 9999, in UTC")
            << lastSecond << QByteArray("UTC") << qint64(0) << QString();
        QTest::newRow("the last second of 9999, in Tokyo")
            << lastSecond << QByteArray("Asia/Tokyo") << qint64(4) << "01/01/10000 is outside the years";
    }

    void dataIsJudgedBeforeItIsRead()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, local);
        QFETCH(qint64, line);
        QFETCH(QString, says);
        const CalendarDataCheck::Verdict verdict = CalendarDataCheck::check(data, QTimeZone(local));
        QVERIFY2(bool(verdict) == says.isEmpty(), qPrintable(verdict.reason));
        QCOMPARE(verdict.line, line);
        QVERIFY2(verdict.reason.contains(says), qPrintable(verdict.reason));
    }
};

QTEST_GUILESS_MAIN(TestHostileCalendarData)
#include "TestHostileCalendarData.moc"
