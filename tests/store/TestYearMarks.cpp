#include "store/DateText.h"
#include "store/DayMarking.h"
#include "store/MonthLayout.h"
#include "store/YearMarks.h"

#include <QLocale>
#include <QTest>

#include <random>

// The busy days of a year must be exactly the days the main window marks, month by month.
class TestYearMarks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void agreesWithTheMainWindowMarkingOfEveryMonth()
    {
        // Days some months lack, then every kind at random: dates in and out of the stored form, times
        // readable or not, over three years.
        ScheduleTable table;
        table.append(
            1, ScheduleEntry::make("01/31/2001", "Wednesday", "s", "n", "09:00:00 AM", "on", "Monthly"));
        table.append(2,
                     ScheduleEntry::make("02/29/2000", "Tuesday", "s", "n", "09:00:00 AM", "on", "Yearly"));
        std::mt19937 random(11);
        auto pick = [&](int below) { return int(random() % unsigned(below)); };
        const QStringList kinds{"OneTime", "Monthly", "Yearly", "Everyday", "Monday to Friday", "Other"};
        for (qint64 row = 3; row <= 3000; ++row) {
            const QDate date = QDate(2002, 1, 1).addDays(pick(3 * 366));
            const QString dateText = pick(8)
                                         ? DateText::mmddyyyy(date)
                                         : DateText::cellDateText(date.month(), QString::number(date.day()),
                                                                  QString::number(date.year()));
            const QString time = pick(10) ? DateText::timeText(QTime(pick(24), 0)) : QStringLiteral("-");
            table.append(row, ScheduleEntry::make(dateText, "Friday", "s", "n", time, "off",
                                                  kinds[pick(int(kinds.size()))]));
        }

        for (int year : {2002, 2003, 2004, 2005}) {
            const YearMarks marks = YearMarks::of(table, year);
            for (int month = 1; month <= 12; ++month) {
                MonthGrid grid{month - 1, QString::number(year), {}};
                for (const MonthLayout::CellPlace& place : MonthLayout::layoutMonth(month, year).cells)
                    grid.cells.push_back(
                        DayCell{place.caption, place.visible, Bgr::White, Bgr::Black, false});
                DayMarking::MarkDays(table, grid, DayMarking::GridTag::MainForm,
                                     QDateTime(QDate(2003, 6, 15), QTime(12, 0)));
                quint32 expected = 0;
                for (const DayCell& cell : grid.cells) {
                    if (cell.visible && cell.foreColor != Bgr::Black)
                        expected |= 1u << cell.caption.toInt();
                }
                QCOMPARE(marks.days(month), expected);
                QCOMPARE(marks.isMarked(QDate(year, month, 1)), bool(expected & 2u));
            }
        }
        QVERIFY(YearMarks::of(table, 2004).days(2) & (1u << 29));
        QVERIFY(!YearMarks::of(table, 2003).isMarked(QDate(2004, 1, 31))); // another year than walked for
    }
};

QTEST_GUILESS_MAIN(TestYearMarks)
#include "TestYearMarks.moc"
