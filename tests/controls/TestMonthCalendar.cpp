#include "controls/MonthCalendar.h"

#include <QImage>
#include <QtTest>

namespace {

// Pixels of the area that are clearly red, or else dark.
int countPixels(MonthCalendar& calendar, const QRect& area, bool red)
{
    const QImage image = calendar.grab().toImage();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += red ? (c.red() > 200 && c.green() < 80 && c.blue() < 80) : (c.lightness() < 100);
        }
    }
    return count;
}

} // namespace

// The year view's month calendar: a month whose year and day the program sets, a value that may be
// "no date", and its look. Clicks and their refusal are tested through the year view.
class TestMonthCalendar : public QObject
{
    Q_OBJECT

private slots:
    void yearAndDayMakeTheValue()
    {
        MonthCalendar february(2);
        february.setYear(2004);
        february.setDay(29);
        february.setYear(2003); // a shorter February keeps its last day
        QCOMPARE(february.value(), QDate(2003, 2, 28));
        february.setNoDateSelected(true);
        february.setYear(2005);
        QVERIFY(february.value().isNull());
        february.setDay(31);
        QCOMPARE(february.value(), QDate(2005, 2, 28));

        // A user's date of another month, unless refused, shows that month, without February's bold days.
        february.setBoldDays(1u << 14);
        QVERIFY(february.chooseDate(QDate(2005, 3, 1)));
        QCOMPARE(february.month(), 3);
        QCOMPARE(february.boldDays(), 0u);
    }

    void drawsSelectionTodayAndBoldDays()
    {
        MonthCalendar march(3);
        march.resize(190, 160);
        march.setYear(2003);
        march.setDay(20);
        march.setToday(QDate(2003, 3, 7));
        const QRect today = march.dayRect(QDate(2003, 3, 7));
        const QRect selected = march.dayRect(QDate(2003, 3, 20));
        const QRect ordinary = march.dayRect(QDate(2003, 3, 11));
        QVERIFY(countPixels(march, today, true) > 20);
        QCOMPARE(countPixels(march, ordinary, true), 0);
        QVERIFY(countPixels(march, selected, false) > selected.width() * selected.height() / 2);

        const int plainInk = countPixels(march, ordinary, false);
        march.setBoldDays(1u << 11);
        QVERIFY(countPixels(march, ordinary, false) > plainInk);
        march.setDay(7); // today keeps its frame while selected
        QVERIFY(countPixels(march, today, true) > 20);
    }
};

QTEST_MAIN(TestMonthCalendar)
#include "TestMonthCalendar.moc"
