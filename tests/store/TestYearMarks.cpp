#include "store/DateText.h"
#include "store/DayMarking.h"
#include "store/MonthLayout.h"
#include "store/YearMarks.h"

#include <QLocale>
#include <QTest>

#include <random>

namespace {

ScheduleTable tableOf(std::initializer_list<std::array<const char*, 3>> rows)
{
    // Each row: date, kind, alarm time.
    ScheduleTable table;
    qint64 rowId = 1;
    for (const auto& r : rows) {
        table.append(rowId++, ScheduleEntry::make(QString::fromUtf8(r[0]), QStringLiteral("Friday"),
                                                  QStringLiteral("subject"), QStringLiteral("note"),
                                                  QString::fromUtf8(r[2]), QStringLiteral("on"),
                                                  QString::fromUtf8(r[1])));
    }
    return table;
}

// The days of the month as a list, for readable failures.
QList<int> markedDays(const YearMarks& marks, int month)
{
    QList<int> days;
    for (int day = 0; day < 32; ++day) {
        if (marks.days(month) & (quint32(1) << day))
            days << day;
    }
    return days;
}

} // namespace

// Which days of a year the year view shows as busy: the main window's marking rules, decided for all
// twelve months at once.
class TestYearMarks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void oneTimeEntriesMarkTheirOwnDayOfTheirOwnYear()
    {
        const ScheduleTable table = tableOf({
            {"03/07/2003", "OneTime", "10:00:00 AM"},
            {"12/31/2003", "Onetime", "11:00:00 PM"},
            {"01/01/2004", "OneTime", "10:00:00 AM"},
            {"3/9/2003", "OneTime", "10:00:00 AM"}, // not in the stored form: unmarked on the main window too
            {"03/10/2003", "OneTime", "sometime"},  // no readable time: likewise
            {"03/11/2003", "EveryDay", "10:00:00 AM"},
            {"03/12/2003", "Monday to Friday", "10:00:00 AM"},
            {"03/13/2003", "Weekly", "10:00:00 AM"},
        });
        const YearMarks marks = YearMarks::of(table, 2003);
        QCOMPARE(marks.year(), 2003);
        QCOMPARE(markedDays(marks, 3), QList<int>({7}));
        QCOMPARE(markedDays(marks, 12), QList<int>({31}));
        QCOMPARE(markedDays(marks, 1), QList<int>());
        QVERIFY(marks.isMarked(QDate(2003, 3, 7)));
        QVERIFY(!marks.isMarked(QDate(2004, 3, 7)));
        QCOMPARE(markedDays(YearMarks::of(table, 2004), 1), QList<int>({1}));
        QCOMPARE(markedDays(YearMarks::of(table, 2004), 3), QList<int>());
    }

    void recurringEntriesMarkOnlyDaysTheMonthHas()
    {
        const ScheduleTable table = tableOf({
            {"01/31/2001", "Monthly", "10:00:00 AM"},
            {"02/29/2000", "Yearly", "10:00:00 AM"},
            {"07/04/1999", "YEARLY", "sometime"}, // recurring entries are marked whatever their time
        });
        const YearMarks common = YearMarks::of(table, 2003);
        QCOMPARE(markedDays(common, 1), QList<int>({31}));
        QCOMPARE(markedDays(common, 2), QList<int>());
        QCOMPARE(markedDays(common, 4), QList<int>());
        QCOMPARE(markedDays(common, 7), QList<int>({4, 31}));
        QCOMPARE(markedDays(YearMarks::of(table, 2004), 2), QList<int>({29}));
        QCOMPARE(markedDays(YearMarks::of(ScheduleTable(), 2004), 2), QList<int>());
    }

    void agreesWithTheMainWindowMarkingOfEveryMonth()
    {
        std::mt19937 random(11);
        auto pick = [&](int below) { return int(random() % unsigned(below)); };
        const QStringList kinds{"OneTime", "Monthly", "Yearly", "Everyday", "Monday to Friday", "Other"};
        ScheduleTable table;
        for (qint64 row = 1; row <= 3000; ++row) {
            const QDate date = QDate(2002, 1, 1).addDays(pick(3 * 366));
            const QString dateText = pick(8)
                                         ? DateText::mmddyyyy(date)
                                         : DateText::cellDateText(date.month(), QString::number(date.day()),
                                                                  QString::number(date.year()));
            const QString time = pick(10) ? DateText::timeText(QTime(pick(24), 0)) : QStringLiteral("-");
            table.append(row, ScheduleEntry::make(dateText, "Friday", "s", "n", time, "off",
                                                  kinds[pick(int(kinds.size()))]));
        }

        const QDateTime now(QDate(2003, 6, 15), QTime(12, 0));
        for (int year : {2002, 2003, 2004, 2005}) {
            const YearMarks marks = YearMarks::of(table, year);
            for (int month = 1; month <= 12; ++month) {
                const MonthLayout::Layout layout = MonthLayout::layoutMonth(month, year);
                MonthGrid grid{month - 1, QString::number(year), {}};
                for (const MonthLayout::CellPlace& place : layout.cells)
                    grid.cells.push_back(
                        DayCell{place.caption, place.visible, Bgr::White, Bgr::Black, false});
                DayMarking::MarkDays(table, grid, DayMarking::GridTag::MainForm, now);
                QList<int> expected;
                for (const DayCell& cell : grid.cells) {
                    if (cell.visible && cell.foreColor != Bgr::Black)
                        expected << cell.caption.toInt();
                }
                QCOMPARE(markedDays(marks, month), expected);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestYearMarks)
#include "TestYearMarks.moc"
