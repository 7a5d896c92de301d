#include "store/MonthLayout.h"

#include <QTest>

using namespace MonthLayout;

class TestMonthLayout : public QObject
{
    Q_OBJECT

private slots:
    void monthStartingOnSunday()
    {
        const Layout june = layoutMonth(6, 2003); // 1 June 2003 was a Sunday
        QCOMPARE(june.blanks, 0);
        QCOMPARE(june.last, 29);
        QCOMPARE(june.cells[0].caption, QStringLiteral("1"));
        QVERIFY(june.cells[0].visible);
        QCOMPARE(june.cells[1].caption, QStringLiteral("2"));
        QCOMPARE(june.cells[29].caption, QStringLiteral("30"));
        QCOMPARE(june.cells[29].column, 1);
        QCOMPARE(june.cells[29].row, 4);
    }

    void saturdayStartWith31DaysUsesTheSixthRow()
    {
        const Layout march = layoutMonth(3, 2003); // 1 March 2003 was a Saturday
        QCOMPARE(march.blanks, 6);
        QCOMPARE(march.last, 36);
        QCOMPARE(march.cells[35].caption, QStringLiteral("30"));
        QCOMPARE(march.cells[36].caption, QStringLiteral("31"));
        QCOMPARE(march.cells[35].row, 5);
        QCOMPARE(march.cells[35].column, 0);
        QCOMPARE(march.cells[36].column, 1);
        QCOMPARE(march.cells[6].caption, QStringLiteral("1"));
        QCOMPARE(march.cells[6].column, 6);
        // Leading blanks are hidden and empty; cell 0 keeps "1" but stays hidden.
        for (int i = 1; i < 6; ++i) {
            QVERIFY(march.cells[size_t(i)].caption.isEmpty());
            QVERIFY(!march.cells[size_t(i)].visible);
            QCOMPARE(march.cells[size_t(i)].column, i);
        }
        QCOMPARE(march.cells[0].caption, QStringLiteral("1"));
        QVERIFY(!march.cells[0].visible);
    }

    void februaryFollowsLeapYears()
    {
        QCOMPARE(DaysIn(2, 2004), qint16(29));
        QCOMPARE(DaysIn(2, 2003), qint16(28));
        QCOMPARE(DaysIn(2, 2000), qint16(29));
        QCOMPARE(DaysIn(2, 1900), qint16(28));
        QCOMPARE(DaysIn(12, 2003), qint16(31));
        const Layout leap = layoutMonth(2, 2004); // starts on a Sunday
        QCOMPARE(leap.last, 28);
        QCOMPARE(leap.cells[28].caption, QStringLiteral("29"));
        QCOMPARE(layoutMonth(2, 2003).last, 27 + 6);
    }

    void blanksComeFromTheEnglishAbbreviation()
    {
        QCOMPARE(GetBlanks(QStringLiteral("Sun")), qint16(0));
        QCOMPARE(GetBlanks(QStringLiteral("Sat")), qint16(6));
        QCOMPARE(GetBlanks(QStringLiteral("Wed")), qint16(3));
        QCOMPARE(GetBlanks(QStringLiteral("sat")), qint16(0));
        QCOMPARE(GetBlanks(QStringLiteral("Sa.")), qint16(0));
        QCOMPARE(weekdayAbbreviation(QDate(2003, 3, 7)), QStringLiteral("Fri"));
        QCOMPARE(weekdayAbbreviation(QDate(2003, 3, 9)), QStringLiteral("Sun"));
    }
};

QTEST_GUILESS_MAIN(TestMonthLayout)
#include "TestMonthLayout.moc"
