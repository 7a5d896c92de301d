#include "store/DateText.h"
#include "store/DayMarking.h"
#include "store/MonthLayout.h"
#include "store/Recurrence.h"

#include <QLocale>
#include <QTest>

#include <random>

using DayMarking::GridTag;

namespace {

ScheduleTable tableOf(std::initializer_list<std::array<const char*, 5>> rows)
{
    // Each row: date, subject, kind, alarm time, switch.
    ScheduleTable table;
    qint64 rowId = 1;
    for (const auto& r : rows) {
        table.append(rowId++, ScheduleEntry::make(QString::fromUtf8(r[0]), QStringLiteral("Friday"),
                                                  QString::fromUtf8(r[1]), QStringLiteral("note"),
                                                  QString::fromUtf8(r[3]), QString::fromUtf8(r[4]),
                                                  QString::fromUtf8(r[2])));
    }
    return table;
}

MonthGrid gridFor(int month, int year)
{
    const MonthLayout::Layout layout = MonthLayout::layoutMonth(month, year);
    MonthGrid grid;
    grid.monthIndex = month - 1;
    grid.yearText = QString::number(year);
    for (const MonthLayout::CellPlace& place : layout.cells)
        grid.cells.push_back(DayCell{place.caption, place.visible, Bgr::White, Bgr::Black, false});
    return grid;
}

// The colour and boldness of the visible cell showing the day.
std::pair<BgrColor, bool> cellOf(const MonthGrid& grid, int day)
{
    for (const DayCell& cell : grid.cells) {
        if (cell.visible && cell.caption == QString::number(day))
            return {cell.foreColor, cell.bold};
    }
    return {0xDEAD, false};
}

QDateTime at(int y, int m, int d, int h = 12, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

} // namespace

class TestDayMarking : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void oneTimeEntriesTurnOrangeOnTheMainWindowOncePast()
    {
        const ScheduleTable table = tableOf({{"03/07/2003", "Dentist", "OneTime", "10:30:00 AM", "on"}});
        MonthGrid main = gridFor(3, 2003);
        DayMarking::MarkDays(table, main, GridTag::MainForm, at(2003, 3, 7, 10, 29, 59));
        QCOMPARE(cellOf(main, 7), std::make_pair(Bgr::OneTimeGreen, false));

        main = gridFor(3, 2003);
        DayMarking::MarkDays(table, main, GridTag::MainForm, at(2003, 3, 7, 10, 30, 0));
        QCOMPARE(cellOf(main, 7), std::make_pair(Bgr::PastOrange, false));

        MonthGrid organizer = gridFor(3, 2003);
        DayMarking::MarkDays(table, organizer, GridTag::FormOrganizer, at(2004, 1, 1));
        QCOMPARE(cellOf(organizer, 7), std::make_pair(Bgr::OneTimeGreen, true));
        QCOMPARE(cellOf(organizer, 8), std::make_pair(Bgr::Black, false));

        MonthGrid april = gridFor(4, 2003);
        DayMarking::MarkDays(table, april, GridTag::FormOrganizer, at(2003, 1, 1));
        QCOMPARE(cellOf(april, 7), std::make_pair(Bgr::Black, false));
    }

    void oneTimeEntriesMarkOnlyInTheStoredForm()
    {
        // The one-time marking compares the stored text; "3/7/2003" is a date, but not in that form, and
        // neither is a text with a blank or a tab before or after the date.
        const ScheduleTable table = tableOf({{"3/7/2003", "Loose", "OneTime", "10:30:00 AM", "on"},
                                             {" 3/08/2003", "Blank", "OneTime", "10:30:00 AM", "on"},
                                             {"\t3/09/2003", "Tab", "OneTime", "10:30:00 AM", "on"},
                                             {" 03/10/2003", "Wide", "OneTime", "10:30:00 AM", "on"}});
        MonthGrid grid = gridFor(3, 2003);
        DayMarking::MarkDays(table, grid, GridTag::FormOrganizer, at(2003, 1, 1));
        for (int day : {7, 8, 9, 10})
            QCOMPARE(cellOf(grid, day).first, Bgr::Black);
        for (size_t i = 0; i < table.size(); ++i)
            QVERIFY(!table.dateIsCanonical(i));
    }

    void recurringEntriesAreBlue()
    {
        const ScheduleTable table =
            tableOf({{"06/15/2003", "Rent", "Monthly", "09:00:00 AM", "on"},
                     {"12/25/2003", "Christmas", "YEARLY", "09:00:00 AM", "on"},
                     {"03/31/2003", "Payday", "monthly", "09:00:00 AM", "on"},
                     {"03/10/2003", "Gym", "Everyday", "09:00:00 AM", "on"},
                     {"03/11/2003", "Work", "Monday to Friday", "09:00:00 AM", "on"}});
        // A monthly entry falls on its day in every month of every year, also before its stored month.
        for (const auto& [month, year] : {std::pair{1, 2003}, {12, 2003}, {1, 2004}, {7, 2002}}) {
            MonthGrid grid = gridFor(month, year);
            DayMarking::MarkDays(table, grid, GridTag::MainForm, at(2003, 1, 1));
            QCOMPARE(cellOf(grid, 15).first, Bgr::RecurringBlue);
        }
        // A yearly entry falls on its month and day in every year, also before its stored year.
        MonthGrid december2001 = gridFor(12, 2001);
        DayMarking::MarkDays(table, december2001, GridTag::FormOrganizer, at(2003, 1, 1));
        QCOMPARE(cellOf(december2001, 25), std::make_pair(Bgr::RecurringBlue, true));
        QCOMPARE(cellOf(december2001, 24).first, Bgr::Black);

        // Day 31 has no cell in April; every-day and weekday entries colour nothing.
        MonthGrid march = gridFor(3, 2003);
        DayMarking::MarkDays(table, march, GridTag::MainForm, at(2003, 1, 1));
        QCOMPARE(cellOf(march, 31).first, Bgr::RecurringBlue);
        QCOMPARE(cellOf(march, 10).first, Bgr::Black);
        QCOMPARE(cellOf(march, 11).first, Bgr::Black);
        MonthGrid april = gridFor(4, 2003);
        DayMarking::MarkDays(table, april, GridTag::MainForm, at(2003, 1, 1));
        QCOMPARE(cellOf(april, 30).first, Bgr::Black);
    }

    void theLastEntryOnACellGivesItsColourAndBoldStays()
    {
        const ScheduleTable table = tableOf({{"03/07/2003", "Rent", "Monthly", "09:00:00 AM", "on"},
                                             {"03/07/2003", "Dentist", "OneTime", "10:30:00 AM", "on"}});
        MonthGrid grid = gridFor(3, 2003);
        DayMarking::MarkDays(table, grid, GridTag::FormOrganizer, at(2003, 1, 1));
        QCOMPARE(cellOf(grid, 7), std::make_pair(Bgr::OneTimeGreen, true));

        // An entry that cannot be told past or not marks nothing, so the one before it gives the colour.
        const ScheduleTable unreadableLast =
            tableOf({{"03/07/2003", "Dentist", "OneTime", "10:30:00 AM", "on"},
                     {"03/07/2003", "Rent", "Monthly", "09:00:00 AM", "on"},
                     {"03/07/2003", "Soon", "OneTime", "soon", "on"}});
        MonthGrid main = gridFor(3, 2003);
        DayMarking::MarkDays(unreadableLast, main, GridTag::MainForm, at(2003, 1, 1));
        QCOMPARE(cellOf(main, 7), std::make_pair(Bgr::RecurringBlue, false));
    }

    // Every day of the month is marked, even where the last entries fall on days the month lacks.
    void everyDayOfAShortMonthIsMarked()
    {
        ScheduleTable table;
        qint64 rowId = 0;
        const auto add = [&](const QString& date, const char* kind) {
            table.append(++rowId,
                         ScheduleEntry::make(date, "Monday", "Entry", "note", "09:00:00 AM", "on", kind));
        };
        add(QStringLiteral("02/28/2003"), "OneTime");
        for (int day = 1; day <= 27; ++day)
            add(QStringLiteral("01/%1/2003").arg(day, 2, 10, QLatin1Char('0')), "Monthly");
        add(QStringLiteral("01/30/2003"), "Monthly");
        add(QStringLiteral("01/31/2003"), "Monthly");
        MonthGrid february = gridFor(2, 2003);
        DayMarking::MarkDays(table, february, GridTag::FormOrganizer, at(2003, 1, 1));
        QCOMPARE(cellOf(february, 27), std::make_pair(Bgr::RecurringBlue, true));
        QCOMPARE(cellOf(february, 28), std::make_pair(Bgr::OneTimeGreen, true));
    }

    void unreadableDatesAndTimesNeverMarkOrAlarm()
    {
        const ScheduleTable table = tableOf({{"31/12/2003", "Bad date", "Monthly", "09:00:00 AM", "on"},
                                             {"not a date", "Worse", "Everyday", "09:00:00 AM", "on"},
                                             {"03/07/2003", "Bad time", "OneTime", "soon", "on"},
                                             {"03/08/2003", "Bad time", "Everyday", "25:00", "on"}});
        MonthGrid grid = gridFor(3, 2003);
        DayMarking::MarkDays(table, grid, GridTag::MainForm, at(2003, 3, 1));
        for (const DayCell& cell : grid.cells)
            QCOMPARE(cell.foreColor, Bgr::Black);
        for (int second = 0; second < 86400; second += 3600)
            QVERIFY(Recurrence::dueAlarms(table, at(2003, 12, 31).addSecs(second)).empty());
        QVERIFY(Recurrence::dueAlarms(table, at(2003, 12, 31, 9, 0, 0)).empty());
    }

    void todayIsRedOnlyInItsOwnMonth()
    {
        const ScheduleTable table = tableOf({{"03/07/2003", "Dentist", "OneTime", "10:30:00 AM", "on"}});
        MonthGrid main = gridFor(3, 2003);
        DayMarking::MarkDays(table, main, GridTag::MainForm, at(2003, 3, 7));
        DayMarking::MarkToday(main, GridTag::MainForm, QDate(2003, 3, 7));
        QCOMPARE(cellOf(main, 7), std::make_pair(Bgr::Red, false));

        MonthGrid organizer = gridFor(3, 2003);
        DayMarking::MarkToday(organizer, GridTag::FormOrganizer, QDate(2003, 3, 9));
        QCOMPARE(cellOf(organizer, 9), std::make_pair(Bgr::Red, true));

        MonthGrid otherYear = gridFor(3, 2004);
        DayMarking::MarkToday(otherYear, GridTag::MainForm, QDate(2003, 3, 9));
        QCOMPARE(cellOf(otherYear, 9).first, Bgr::Black);
    }

    void daySummaryCountsEntriesStoredWithThatDate()
    {
        const ScheduleTable table = tableOf({{"03/07/2003", "Meeting", "OneTime", "10:30:00 AM", "on"},
                                             {"03/07/2003", "Birthday", "Yearly", "09:00:00 AM", "on"},
                                             {"3/7/2003", "Loose", "OneTime", "09:00:00 AM", "on"},
                                             {"03/08/2003", "Gym", "Everyday", "09:00:00 AM", "on"},
                                             {" 3/07/2003", "Blank", "OneTime", "09:00:00 AM", "on"}});
        QCOMPARE(DayMarking::DaySummary(table, QStringLiteral("03/07/2003")),
                 QStringLiteral("2 Entries: Meeting, Birthday"));
        QCOMPARE(DayMarking::DaySummary(table, QStringLiteral(" 3/07/2003")),
                 QStringLiteral("1 Entries: Blank"));
        QCOMPARE(DayMarking::DaySummary(table, QStringLiteral("03/09/2003")), QStringLiteral("0 Entries: "));
        QCOMPARE(DayMarking::DaySummary(table, QStringLiteral("3/7/2003")),
                 QStringLiteral("1 Entries: Loose"));
        // The everyday entry is counted on its stored date only.
        QCOMPARE(DayMarking::DaySummary(table, QStringLiteral("03/10/2003")), QStringLiteral("0 Entries: "));
        QCOMPARE(DayMarking::DaySummary(ScheduleTable(), QStringLiteral("03/07/2003")),
                 QStringLiteral("0 Entries: "));
    }

    void dayHintStaysAScreenfulWhateverTheDayHolds()
    {
        // Three thousand entries on one day: the count stays exact, the first thirty are named in walk
        // order and the rest are counted.
        ScheduleTable crowded;
        for (int i = 0; i < 3000; ++i)
            crowded.append(i + 1, ScheduleEntry::make("03/07/2003", "Friday", QStringLiteral("s%1").arg(i),
                                                      "note", "09:00:00 AM", "on", "OneTime"));
        const DayMarking::DayHint hint = DayMarking::dayHint(crowded, QStringLiteral("03/07/2003"));
        QCOMPARE(hint.count, 3000);
        QCOMPARE(hint.subjects.size(), 30);
        QCOMPARE(hint.subjects.first(), QStringLiteral("s0"));
        QCOMPARE(hint.subjects.last(), QStringLiteral("s29"));
        const QString text = DayMarking::DaySummary(crowded, QStringLiteral("03/07/2003"));
        QVERIFY(text.startsWith(QStringLiteral("3000 Entries: s0, s1, ")));
        QVERIFY(text.endsWith(QStringLiteral(", s29, and 2970 more")));

        // Exactly thirty are all named, with nothing counted after them.
        crowded.clear();
        for (int i = 0; i < 30; ++i)
            crowded.append(
                i + 1, ScheduleEntry::make("03/07/2003", "Friday", "x", "n", "09:00:00 AM", "on", "OneTime"));
        QVERIFY(
            !DayMarking::DaySummary(crowded, QStringLiteral("03/07/2003")).contains(QLatin1String("more")));

        // Subjects as long as another writer could make them are cut to sixty characters and an ellipsis;
        // one that fits is left whole.
        const QString huge(70000, u'W');
        const QString face = QString::fromUtf8("\xF0\x9F\x98\x80");    // two units
        const QString emoji = QStringLiteral("a") + face.repeated(40); // the thirtieth face straddles the cut
        const QString fits(60, u'f');
        ScheduleTable table;
        table.append(1,
                     ScheduleEntry::make("03/07/2003", "Friday", huge, "n", "09:00:00 AM", "on", "OneTime"));
        table.append(2,
                     ScheduleEntry::make("03/07/2003", "Friday", emoji, "n", "09:00:00 AM", "on", "OneTime"));
        table.append(3,
                     ScheduleEntry::make("03/07/2003", "Friday", fits, "n", "09:00:00 AM", "on", "OneTime"));
        table.append(4, ScheduleEntry::make("03/07/2003", "Friday", QStringLiteral("a\nb\r\nc\u2028d\te\0f"),
                                            "n", "09:00:00 AM", "on", "OneTime"));
        const QStringList shown = DayMarking::dayHint(table, QStringLiteral("03/07/2003")).subjects;
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown[0], QString(60, u'W') + QChar(0x2026));
        // A face takes two units: the cut never leaves half of one.
        QCOMPARE(shown[1], QStringLiteral("a") + face.repeated(29) + QChar(0x2026));
        QVERIFY(shown[1].isValidUtf16());
        QCOMPARE(shown[2], fits);
        // Every subject stays on one line of the hint.
        QCOMPARE(shown[3], QStringLiteral("a b  c d e f"));
        const QString whole = DayMarking::DaySummary(table, QStringLiteral("03/07/2003"));
        QVERIFY(whole.size() < 4 * 64 + 20);
        QVERIFY(!whole.contains(u'\n'));
    }

    void dateRulesOfEveryKind()
    {
        const PackedDate oct12 = PackedDate::from(QDate(2002, 10, 12));
        using Recurrence::fallsOn;
        QVERIFY(fallsOn(ScheduleKind::OneTime, oct12, QDate(2002, 10, 12)));
        QVERIFY(!fallsOn(ScheduleKind::OneTime, oct12, QDate(2003, 10, 12)));
        // Monthly goes on past the end of the stored year.
        QVERIFY(fallsOn(ScheduleKind::Monthly, oct12, QDate(2002, 1, 12)));
        QVERIFY(fallsOn(ScheduleKind::Monthly, oct12, QDate(2003, 1, 12)));
        QVERIFY(!fallsOn(ScheduleKind::Monthly, oct12, QDate(2003, 1, 13)));
        QVERIFY(fallsOn(ScheduleKind::Yearly, oct12, QDate(1999, 10, 12)));
        QVERIFY(!fallsOn(ScheduleKind::Yearly, oct12, QDate(1999, 11, 12)));
        QVERIFY(fallsOn(ScheduleKind::EveryDay, oct12, QDate(1990, 1, 1)));
        QVERIFY(!fallsOn(ScheduleKind::Unknown, oct12, QDate(2002, 10, 12)));
        QVERIFY(!fallsOn(ScheduleKind::EveryDay, PackedDate{}, QDate(2002, 10, 12)));

        // Weekdays are told by their number, so the user's language does not matter.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(fallsOn(ScheduleKind::MondayToFriday, oct12, QDate(2003, 3, 7)));  // Friday
        QVERIFY(!fallsOn(ScheduleKind::MondayToFriday, oct12, QDate(2003, 3, 8))); // Saturday
        QVERIFY(!fallsOn(ScheduleKind::MondayToFriday, oct12, QDate(2003, 3, 9))); // Sunday
        QVERIFY(fallsOn(ScheduleKind::MondayToFriday, oct12, QDate(2003, 3, 10))); // Monday
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void anEntryIsPastFromTheFirstSecondOfItsMinute()
    {
        const QDate day(2003, 3, 7);
        const QTime time(10, 30);
        QVERIFY(!Recurrence::IsPast(day, time, at(2003, 3, 7, 10, 29, 59)));
        QVERIFY(Recurrence::IsPast(day, time, at(2003, 3, 7, 10, 30, 0)));
        QVERIFY(Recurrence::IsPast(day, time, at(2003, 3, 7, 10, 30, 59)));
        QVERIFY(Recurrence::IsPast(day, time, at(2003, 3, 8, 0, 0, 0)));
        QVERIFY(!Recurrence::IsPast(day, time, at(2003, 3, 6, 23, 59, 59)));
    }

    void alarmsAreDueInExactlyOneSecond()
    {
        const ScheduleTable table = tableOf({{"10/12/2002", "Rent", "monthly", "09:00:00 AM", "on"},
                                             {"03/07/2003", "Dentist", "OneTime", "9:00 AM", "on"},
                                             {"03/07/2003", "Muted", "OneTime", "09:00:00 AM", "off"},
                                             {"03/07/2003", "Capital", "OneTime", "09:00:00 AM", "On"},
                                             {"03/07/2003", "Odd kind", "Sometimes", "09:00:00 AM", "on"},
                                             {"12/31/2099", "Work", "Monday to Friday", "09:00:00 AM", "on"},
                                             {"12/31/2099", "Daily", "EveryDay", "21:00", "on"}});
        auto subjects = [&](const QDateTime& now) {
            QStringList result;
            for (size_t i : Recurrence::dueAlarms(table, now)) {
                if (Recurrence::isAlarmDue(table, i, now))
                    result << table.text(i, ScheduleField::Subject);
            }
            return result;
        };
        // Friday 7 March 2003: the one-time entry, the weekday entry; both in table order.
        QCOMPARE(subjects(at(2003, 3, 7, 9, 0, 0)), QStringList({"Dentist", "Work"}));
        QCOMPARE(subjects(at(2003, 3, 7, 9, 0, 1)), QStringList());
        QCOMPARE(subjects(at(2003, 3, 7, 8, 59, 59)), QStringList());
        QCOMPARE(subjects(at(2003, 3, 8, 9, 0, 0)), QStringList());
        QCOMPARE(subjects(at(2003, 3, 12, 9, 0, 0)), QStringList({"Rent", "Work"}));
        QCOMPARE(subjects(at(2003, 3, 7, 21, 0, 0)), QStringList({"Daily"}));
        QCOMPARE(subjects(at(1990, 6, 2, 21, 0, 0)), QStringList({"Daily"}));
    }

    void lookupsFollowEveryChangeOfTheTable()
    {
        // Random appends, edits and removals; after each, the lookups must agree with a plain pass over
        // every entry.
        std::mt19937 random(7);
        auto pick = [&](int below) { return int(random() % unsigned(below)); };
        const QStringList kinds{"OneTime", "monthly", "Yearly", "EveryDay", "Monday to Friday", "Other"};
        auto randomEntry = [&] {
            const QDate date = QDate(2003, 3, 1).addDays(pick(20));
            const QString dateText =
                pick(5) ? DateText::mmddyyyy(date)
                        : DateText::cellDateText(date.month(), QString::number(date.day()), "2003");
            return ScheduleEntry::make(dateText, "Friday", QStringLiteral("s%1").arg(pick(1000)), "n",
                                       DateText::timeText(QTime(9, pick(3), 0)), pick(2) ? "on" : "off",
                                       kinds[pick(int(kinds.size()))]);
        };
        ScheduleTable table;
        qint64 nextRowId = 1;
        for (int step = 0; step < 600; ++step) {
            const int action = table.empty() ? 0 : pick(3);
            if (action == 0)
                table.append(nextRowId++, randomEntry());
            else if (action == 1)
                table.replace(size_t(pick(int(table.size()))), randomEntry());
            else
                table.remove(size_t(pick(int(table.size()))));

            const QDateTime now(QDate(2003, 3, 1).addDays(pick(20)), QTime(9, pick(3), 0));
            std::vector<size_t> expected;
            for (size_t i = 0; i < table.size(); ++i) {
                if (DateText::readTime(table.text(i, ScheduleField::AlarmTime)) == now.time() &&
                    table.text(i, ScheduleField::AlarmOnOff) == "on" &&
                    Recurrence::fallsOn(table.kind(i), table.date(i), now.date()))
                    expected.push_back(i);
            }
            QCOMPARE(Recurrence::dueAlarms(table, now), expected);

            const QString day = DateText::mmddyyyy(now.date());
            QStringList subjects;
            for (size_t i = 0; i < table.size(); ++i) {
                if (table.text(i, ScheduleField::Date) == day)
                    subjects << table.text(i, ScheduleField::Subject);
            }
            QCOMPARE(DayMarking::DaySummary(table, day),
                     QString::number(subjects.size()) + " Entries: " + subjects.join(", "));
        }
    }
};

QTEST_GUILESS_MAIN(TestDayMarking)
#include "TestDayMarking.moc"
