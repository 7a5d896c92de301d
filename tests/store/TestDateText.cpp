#include "store/DateText.h"

#include <QLocale>
#include <QTest>

class TestDateText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void readsDatesMonthFirst_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("stored form") << "03/07/2003" << QDate(2003, 3, 7);
        QTest::newRow("no leading zeros") << "3/7/2003" << QDate(2003, 3, 7);
        QTest::newRow("cell text") << "12/31/1999" << QDate(1999, 12, 31);
        QTest::newRow("leap day") << "02/29/2004" << QDate(2004, 2, 29);
        QTest::newRow("blanks around") << " 3/7/2003 " << QDate(2003, 3, 7);
    }
    void readsDatesMonthFirst()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        QCOMPARE(DateText::readDate(text), std::optional<QDate>(expected));
        QCOMPARE(DateText::readDate(std::string_view(text.toUtf8().constData())),
                 std::optional<QDate>(expected));
    }

    void refusesWhatIsNoDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("blank cell") << "3//2003";
        QTest::newRow("no such day") << "02/29/2003";
        QTest::newRow("month 13") << "13/01/2003";
        QTest::newRow("day first would be a guess") << "31/12/2003";
        QTest::newRow("two-digit year") << "3/7/03";
        QTest::newRow("words") << "Friday";
        QTest::newRow("trailing text") << "03/07/2003x";
        QTest::newRow("iso") << "2003-03-07";
        QTest::newRow("huge number") << "99999999999/1/2003";
    }
    void refusesWhatIsNoDate()
    {
        QFETCH(QString, text);
        QVERIFY(!DateText::readDate(text));
    }

    void readsTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("expected");
        QTest::newRow("stored form pm") << "02:30:00 PM" << QTime(14, 30, 0);
        QTest::newRow("noon") << "12:00:00 PM" << QTime(12, 0, 0);
        QTest::newRow("midnight") << "12:00:00 AM" << QTime(0, 0, 0);
        QTest::newRow("lower case, no seconds") << "2:30 pm" << QTime(14, 30, 0);
        QTest::newRow("24-hour") << "14:30" << QTime(14, 30, 0);
        QTest::newRow("24-hour with seconds") << "23:59:59" << QTime(23, 59, 59);
        QTest::newRow("no blank before AM") << "09:05:07AM" << QTime(9, 5, 7);
    }
    void readsTimes()
    {
        QFETCH(QString, text);
        QFETCH(QTime, expected);
        QCOMPARE(DateText::readTime(text), std::optional<QTime>(expected));
        QCOMPARE(DateText::readTime(std::string_view(text.toUtf8().constData())),
                 std::optional<QTime>(expected));
    }

    void refusesWhatIsNoTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("hour only") << "14";
        QTest::newRow("13 PM") << "13:00:00 PM";
        QTest::newRow("0 AM") << "00:10 AM";
        QTest::newRow("minute 60") << "10:60";
        QTest::newRow("hour 24") << "24:00";
        QTest::newRow("other suffix") << "10:30 XM";
        QTest::newRow("four parts") << "10:30:00:00";
    }
    void refusesWhatIsNoTime()
    {
        QFETCH(QString, text);
        QVERIFY(!DateText::readTime(text));
    }

    void writesTheFixedPatterns()
    {
        const QDate date(2003, 3, 7);
        QCOMPARE(DateText::mmddyyyy(date), QStringLiteral("03/07/2003"));
        QCOMPARE(DateText::ddyyyy(date), QStringLiteral("07/2003"));
        QCOMPARE(DateText::mmdd(date), QStringLiteral("03/07"));
        QCOMPARE(DateText::dddd(date), QStringLiteral("Friday"));
        QCOMPARE(DateText::mmmm(date), QStringLiteral("March"));
        QCOMPARE(DateText::mmmmddyyyy(date), QStringLiteral("March 07, 2003"));
        QCOMPARE(DateText::timeText(QTime(14, 30)), QStringLiteral("02:30:00 PM"));
        QCOMPARE(DateText::timeText(QTime(0, 5, 9)), QStringLiteral("12:05:09 AM"));
        QCOMPARE(DateText::timeText(QTime(12, 0)), QStringLiteral("12:00:00 PM"));
        QCOMPARE(DateText::cellDateText(3, QStringLiteral("7"), QStringLiteral("2003")),
                 QStringLiteral("3/7/2003"));
    }

    void everyWrittenTimeReadsBack()
    {
        for (int second = 0; second < 24 * 3600; second += 37) {
            const QTime time = QTime::fromMSecsSinceStartOfDay(second * 1000);
            QCOMPARE(DateText::readTime(DateText::timeText(time)), std::optional<QTime>(time));
        }
    }

    void namedFormatsFollowTheLocale()
    {
        const QDate date(2003, 3, 7);
        QCOMPARE(DateText::namedFormat(date, DateText::LongDate),
                 QLocale().toString(date, QLocale::LongFormat));
        QCOMPARE(DateText::namedFormat(date, DateText::ShortDate),
                 QLocale().toString(date, QLocale::ShortFormat));
        QVERIFY(DateText::namedFormat(date, DateText::LongDate).contains(QStringLiteral("March")));
        // A format name the program does not know still gives a readable date.
        QCOMPARE(DateText::namedFormat(date, QStringLiteral("dark")),
                 DateText::namedFormat(date, DateText::LongDate));
    }

    void readingIgnoresTheLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(DateText::readDate(u"03/07/2003"), std::optional<QDate>(QDate(2003, 3, 7)));
        QCOMPARE(DateText::dddd(QDate(2003, 3, 7)), QStringLiteral("Freitag"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
};

QTEST_GUILESS_MAIN(TestDateText)
#include "TestDateText.moc"
