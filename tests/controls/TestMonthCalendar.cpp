#include "controls/MonthCalendar.h"

#include <QImage>
#include <QtTest>

#include <vector>

namespace {

// What a calendar told its owner, in order.
struct Reports
{
    std::vector<QDate> proposed;
    int afterUpdates = 0;
    int doubleClicks = 0;
    bool refuse = false;

    explicit Reports(MonthCalendar& calendar)
    {
        QObject::connect(&calendar, &MonthCalendar::BeforeUpdate, [this](QDate date, bool& cancel) {
            proposed.push_back(date);
            cancel = refuse;
        });
        QObject::connect(&calendar, &MonthCalendar::AfterUpdate, [this] { ++afterUpdates; });
        QObject::connect(&calendar, &MonthCalendar::DblClick, [this] { ++doubleClicks; });
    }
};

// Pixels of the rectangle that are clearly red, or clearly dark.
int countPixels(const QImage& image, const QRect& area, bool red)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (red ? (c.red() > 200 && c.green() < 80 && c.blue() < 80) : (c.lightness() < 100))
                ++count;
        }
    }
    return count;
}

} // namespace

// The year view's month calendar: a fixed month whose year and day the program sets, a value that may be
// "no date", and the user's clicks, which its owner may refuse before they change anything.
class TestMonthCalendar : public QObject
{
    Q_OBJECT

private slots:
    void yearAndDayMakeTheValue()
    {
        MonthCalendar february(2);
        february.setYear(2004);
        february.setDay(29);
        QCOMPARE(february.value(), QDate(2004, 2, 29));

        // A year whose February is shorter keeps the last day the month has.
        february.setYear(2003);
        QCOMPARE(february.value(), QDate(2003, 2, 28));
        february.setDay(31);
        QCOMPARE(february.day(), 28);
        QCOMPARE(february.month(), 2);

        february.setNoDateSelected(true);
        QVERIFY(february.value().isNull());
        february.setYear(2005);
        QVERIFY(february.noDateSelected());
        QCOMPARE(february.year(), 2005);
        february.setDay(14);
        QVERIFY(!february.noDateSelected());
        QCOMPARE(february.value(), QDate(2005, 2, 14));
    }

    void clickAsksFirstThenSelectsAndReports()
    {
        MonthCalendar may(5);
        may.resize(190, 160);
        may.setYear(2003);
        may.setNoDateSelected(true);
        Reports reports(may);

        QTest::mouseClick(&may, Qt::LeftButton, {}, may.dayRect(QDate(2003, 5, 20)).center());
        QCOMPARE(reports.proposed, std::vector<QDate>{QDate(2003, 5, 20)});
        QCOMPARE(reports.afterUpdates, 1);
        QCOMPARE(may.value(), QDate(2003, 5, 20));

        // Clicking the selected date again is still a click on a date.
        QTest::mouseClick(&may, Qt::LeftButton, {}, may.dayRect(QDate(2003, 5, 20)).center());
        QCOMPARE(reports.afterUpdates, 2);

        // The title, the weekday names and other buttons choose nothing.
        QTest::mouseClick(&may, Qt::LeftButton, {}, QPoint(95, 5));
        QTest::mouseClick(&may, Qt::LeftButton, {}, QPoint(95, may.dayRect(QDate(2003, 4, 27)).top() - 3));
        QTest::mouseClick(&may, Qt::RightButton, {}, may.dayRect(QDate(2003, 5, 21)).center());
        QCOMPARE(reports.proposed.size(), size_t(2));
        QCOMPARE(may.value(), QDate(2003, 5, 20));
    }

    void refusedClickChangesNothing()
    {
        MonthCalendar may(5);
        may.resize(190, 160);
        may.setYear(2003);
        may.setDay(9);
        Reports reports(may);
        reports.refuse = true;

        // 1 June is the grey day at the end of the sixth week: the calendar's way to another month.
        const QRect june1 = may.dayRect(QDate(2003, 6, 1));
        QVERIFY(!june1.isEmpty());
        QTest::mouseClick(&may, Qt::LeftButton, {}, june1.center());
        QCOMPARE(reports.proposed, std::vector<QDate>{QDate(2003, 6, 1)});
        QCOMPARE(reports.afterUpdates, 0);
        QCOMPARE(may.month(), 5);
        QCOMPARE(may.value(), QDate(2003, 5, 9));

        QTest::mouseDClick(&may, Qt::LeftButton, {}, may.dayRect(QDate(2003, 5, 12)).center());
        QCOMPARE(reports.doubleClicks, 0);
        QCOMPARE(may.value(), QDate(2003, 5, 9));
    }

    void acceptedGreyDayShowsItsMonthWithoutTheOldBoldDays()
    {
        MonthCalendar may(5);
        may.resize(190, 160);
        may.setYear(2003);
        may.setBoldDays(1u << 12);
        Reports reports(may);
        QVERIFY(may.chooseDate(QDate(2003, 6, 1)));
        QCOMPARE(may.month(), 6);
        QCOMPARE(may.value(), QDate(2003, 6, 1));
        QCOMPARE(may.boldDays(), 0u);

        may.setBoldDays(1u << 3);
        may.setYear(2004);
        QCOMPARE(may.boldDays(), 0u);
        may.setBoldDays(1u << 3);
        may.setYear(2004); // the same year: the month shown has not changed
        QCOMPARE(may.boldDays(), 1u << 3);
    }

    void doubleClickReportsTheDateItSelected()
    {
        MonthCalendar march(3);
        march.resize(190, 160);
        march.setYear(2003);
        march.setNoDateSelected(true);
        Reports reports(march);

        QTest::mouseDClick(&march, Qt::LeftButton, {}, march.dayRect(QDate(2003, 3, 7)).center());
        QCOMPARE(reports.doubleClicks, 1);
        QCOMPARE(march.value(), QDate(2003, 3, 7));
        QCOMPARE(reports.proposed.back(), QDate(2003, 3, 7));
    }

    void drawsSelectionTodayAndBoldDays()
    {
        MonthCalendar march(3);
        march.resize(190, 160);
        march.setYear(2003);
        march.setDay(20);
        march.setToday(QDate(2003, 3, 7));

        const QImage plain = march.grab().toImage();
        const QRect today = march.dayRect(QDate(2003, 3, 7));
        const QRect selected = march.dayRect(QDate(2003, 3, 20));
        const QRect ordinary = march.dayRect(QDate(2003, 3, 11));
        QVERIFY(countPixels(plain, today, true) > 20);
        QCOMPARE(countPixels(plain, ordinary, true), 0);
        QVERIFY(countPixels(plain, selected, false) > selected.width() * selected.height() / 2);
        QVERIFY(countPixels(plain, ordinary, false) < ordinary.width() * ordinary.height() / 4);

        const int paints = march.paintCount();
        march.setBoldDays(1u << 11);
        const QImage bold = march.grab().toImage();
        QVERIFY(march.paintCount() > paints);
        QVERIFY(countPixels(bold, ordinary, false) > countPixels(plain, ordinary, false));

        // Today stays framed in red while it is the selected date.
        march.setDay(7);
        QVERIFY(countPixels(march.grab().toImage(), today, true) > 20);
        march.setToday(QDate(2003, 4, 7));
        QCOMPARE(countPixels(march.grab().toImage(), today, true), 0);
    }
};

QTEST_MAIN(TestMonthCalendar)
#include "TestMonthCalendar.moc"
