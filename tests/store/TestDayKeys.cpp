#include "store/DayKeys.h"

#include <QtTest>

// Which day the keyboard starts from and where each key takes it, at the month's and year's edges.
class TestDayKeys : public QObject
{
    Q_OBJECT

private slots:
    void startsOnTheChosenDayTodayOrTheFirst()
    {
        const QDate today(2026, 12, 7);
        QCOMPARE(DayKeys::startingDay(QDate(2026, 12, 20), today, 12, 2026), QDate(2026, 12, 20));
        QCOMPARE(DayKeys::startingDay(QDate(), today, 12, 2026), today);
        QCOMPARE(DayKeys::startingDay(QDate(2026, 11, 20), today, 12, 2026),
                 today); // chosen in another month
        QCOMPARE(DayKeys::startingDay(QDate(2026, 12, 20), today, 12, 2027), QDate(2027, 12, 1));
    }

    void keysCrossMonthsAndKeepTheDayWhereTheyCan()
    {
        QCOMPARE(DayKeys::moved(QDate(2026, 12, 31), Qt::Key_Right, false), QDate(2027, 1, 1));
        QCOMPARE(DayKeys::moved(QDate(2026, 3, 3), Qt::Key_Up, false), QDate(2026, 2, 24));
        QCOMPARE(DayKeys::moved(QDate(2026, 1, 31), Qt::Key_PageDown, false), QDate(2026, 2, 28));
        QCOMPARE(DayKeys::moved(QDate(2024, 2, 29), Qt::Key_PageUp, true), QDate(2023, 2, 28));
        QCOMPARE(DayKeys::moved(QDate(2026, 2, 10), Qt::Key_End, false), QDate(2026, 2, 28));
        QCOMPARE(DayKeys::moved(QDate(2026, 2, 10), Qt::Key_A, false), std::nullopt);
    }
};

QTEST_MAIN(TestDayKeys)
#include "TestDayKeys.moc"
