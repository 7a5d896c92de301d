#include "store/AlarmWatch.h"
#include "store/DateText.h"
#include "store/Recurrence.h"

#include <QTest>
#include <QTimeZone>

#include <map>
#include <random>

namespace {

struct Row
{
    const char* date;
    const char* subject;
    const char* kind;
    const char* time;
    const char* onOff = "on";
};

ScheduleEntry entryOf(const Row& r)
{
    return ScheduleEntry::make(QString::fromUtf8(r.date), QStringLiteral("Friday"),
                               QString::fromUtf8(r.subject), QStringLiteral("note"),
                               QString::fromUtf8(r.time), QString::fromUtf8(r.onOff),
                               QString::fromUtf8(r.kind));
}

ScheduleTable tableOf(std::initializer_list<Row> rows)
{
    ScheduleTable table;
    qint64 rowId = 1;
    for (const Row& r : rows)
        table.append(rowId++, entryOf(r));
    return table;
}

// The watch reads only the wall date and time of "now", so the tests give them in UTC, where no
// daylight-saving rule of the machine running the tests can move them.
QDateTime at(int y, int m, int d, int h, int min, int s, int ms = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s, ms), QTimeZone::utc());
}

QStringList subjects(const ScheduleTable& table, const std::vector<size_t>& positions)
{
    QStringList result;
    for (size_t i : positions)
        result << table.text(i, ScheduleField::Subject);
    return result;
}

// What a watch that has just started finds due at this very second.
QStringList dueAtStart(const ScheduleTable& table, const QDateTime& now)
{
    AlarmWatch watch;
    return subjects(table, watch.due(table, now));
}

// Ticks once a second from one time to another, both included, and counts the windows each subject opened.
void tickThrough(AlarmWatch& watch, const ScheduleTable& table, QDateTime from, const QDateTime& to,
                 std::map<QString, int>& opened)
{
    for (; from <= to; from = from.addSecs(1)) {
        for (const QString& subject : subjects(table, watch.due(table, from)))
            ++opened[subject];
    }
}

} // namespace

class TestAlarmWatch : public QObject
{
    Q_OBJECT

private slots:
    void alarmsBetweenTakesTheRangeWithBothEnds()
    {
        const ScheduleTable table = tableOf({{"03/07/2003", "b", "OneTime", "09:00:01 AM"},
                                             {"03/07/2003", "a", "OneTime", "09:00:00 AM"},
                                             {"03/07/2003", "muted", "OneTime", "09:00:00 AM", "off"},
                                             {"03/07/2003", "c", "OneTime", "09:00:00 AM"},
                                             {"03/07/2003", "d", "OneTime", "09:00:02 AM"},
                                             {"03/07/2003", "no time", "OneTime", "soon"}});
        const qint32 nine = 9 * 3600;
        QCOMPARE(table.alarmsBetween(nine, nine + 1), std::vector<size_t>({1, 3, 0}));
        QCOMPARE(table.alarmsBetween(nine + 1, nine + 2), std::vector<size_t>({0, 4}));
        QCOMPARE(table.alarmsBetween(0, 86399).size(), size_t(4));
        QVERIFY(table.alarmsBetween(nine + 3, 86399).empty());
        QVERIFY(table.alarmsBetween(nine + 1, nine).empty());
    }

    void onlyAlarmsSwitchedOnOfTheFiveKindsRing()
    {
        // Friday 7 March 2003.
        const ScheduleTable table = tableOf({{"03/07/2003", "Dentist", "OneTime", "09:00:00 AM"},
                                             {"03/07/2003", "Muted", "OneTime", "09:00:00 AM", "off"},
                                             {"03/07/2003", "Capital", "OneTime", "09:00:00 AM", "On"},
                                             {"03/07/2003", "Shouted", "ONETIME", "09:00:00 AM"},
                                             {"01/01/1990", "Daily", "eVeRyDaY", "09:00:00 AM"},
                                             {"01/01/1990", "Work", "monday to friday", "09:00:00 AM"},
                                             {"03/07/2003", "Odd kind", "Sometimes", "09:00:00 AM"},
                                             {"bad date", "Undated", "Everyday", "09:00:00 AM"},
                                             {"03/07/2003", "Untimed", "OneTime", "nine"}});
        QCOMPARE(dueAtStart(table, at(2003, 3, 7, 9, 0, 0)),
                 QStringList({"Dentist", "Shouted", "Daily", "Work"}));
        QCOMPARE(dueAtStart(table, at(2003, 3, 7, 9, 0, 1)), QStringList());
        QCOMPARE(dueAtStart(table, at(2003, 3, 7, 8, 59, 59)), QStringList());
    }

    void recurringEntriesRingOnTheDaysTheirRuleGives()
    {
        const ScheduleTable table = tableOf({{"10/12/2002", "Rent", "Monthly", "10:00:00 AM"},
                                             {"10/12/2002", "Work", "Monday to Friday", "11:00:00 AM"},
                                             {"02/29/2004", "Leap", "Yearly", "12:00:00 PM"}});
        for (int month = 1; month <= 24; ++month) {
            const int year = 2003 + (month - 1) / 12;
            const int m = (month - 1) % 12 + 1;
            QCOMPARE(dueAtStart(table, at(year, m, 12, 10, 0, 0)), QStringList({"Rent"}));
            QCOMPARE(dueAtStart(table, at(year, m, 11, 10, 0, 0)), QStringList());
            QCOMPARE(dueAtStart(table, at(year, m, 13, 10, 0, 0)), QStringList());
        }
        // Monday 10 to Sunday 16 March 2003.
        for (int day = 10; day <= 16; ++day) {
            const QStringList expected = day <= 14 ? QStringList({"Work"}) : QStringList();
            QCOMPARE(dueAtStart(table, at(2003, 3, day, 11, 0, 0)), expected);
        }
        QCOMPARE(dueAtStart(table, at(2008, 2, 29, 12, 0, 0)), QStringList({"Leap"}));
        QCOMPARE(dueAtStart(table, at(2007, 3, 1, 12, 0, 0)), QStringList());
    }

    void ticksCloseTogetherOrLateRingEachSecondOnce()
    {
        const ScheduleTable table = tableOf({{"03/07/2003", "Zero", "OneTime", "10:00:00 AM"},
                                             {"03/07/2003", "One", "OneTime", "10:00:01 AM"},
                                             {"03/07/2003", "Also one", "Everyday", "10:00:01 AM"},
                                             {"03/07/2003", "Three", "OneTime", "10:00:03 AM"},
                                             {"03/07/2003", "Six", "OneTime", "10:00:06 AM"},
                                             {"03/07/2003", "Seven", "OneTime", "10:00:07 AM"}});
        AlarmWatch watch;
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 0, 900))), QStringList({"Zero"}));
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 1, 0))),
                 QStringList({"One", "Also one"}));
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 1, 999))), QStringList());
        // Five seconds without a tick: what they held rings at once, late.
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 6, 500))),
                 QStringList({"Three", "Six"}));
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 6, 700))), QStringList());
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 7))), QStringList({"Seven"}));
    }

    void nothingFromBeforeTheStartRings()
    {
        const ScheduleTable table = tableOf({{"03/07/2003", "Earlier", "OneTime", "09:59:59 AM"},
                                             {"03/07/2003", "Now", "OneTime", "10:00:00 AM"}});
        AlarmWatch watch;
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 0))), QStringList({"Now"}));
        watch.reset();
        QVERIFY(!watch.hasChecked());
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 1))), QStringList());
        QCOMPARE(watch.lastCheckedSecond(), Recurrence::wallSecond(at(2003, 3, 7, 10, 0, 1)));
    }

    void aStretchOverMidnightUsesTheRuleOfEachDay()
    {
        // Monday 31 March 2003 into Tuesday 1 April.
        const ScheduleTable table = tableOf({{"03/31/2003", "Last", "OneTime", "11:59:59 PM"},
                                             {"04/01/2003", "First", "OneTime", "12:00:01 AM"},
                                             {"03/31/2003", "Not today", "OneTime", "12:00:01 AM"},
                                             {"05/01/2003", "Monthly first", "Monthly", "12:00:00 AM"},
                                             {"05/31/2003", "Monthly last", "Monthly", "11:59:58 PM"}});
        AlarmWatch watch;
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 31, 23, 59, 57))), QStringList());
        QCOMPARE(subjects(table, watch.due(table, at(2003, 4, 1, 0, 0, 2))),
                 QStringList({"Last", "First", "Monthly first", "Monthly last"}));

        AlarmWatch ticking;
        std::map<QString, int> opened;
        tickThrough(ticking, table, at(2003, 3, 31, 23, 59, 0), at(2003, 4, 1, 0, 1, 0), opened);
        QCOMPARE(opened, (std::map<QString, int>{
                             {"Last", 1}, {"First", 1}, {"Monthly first", 1}, {"Monthly last", 1}}));
    }

    void aClockSetBackAnHourRingsTheRepeatedHourOnce()
    {
        const ScheduleTable table = tableOf({{"10/26/2003", "Early", "OneTime", "01:30:00 AM"},
                                             {"10/26/2003", "Edge", "OneTime", "01:59:59 AM"},
                                             {"10/26/2003", "Start", "OneTime", "01:00:00 AM"},
                                             {"10/26/2003", "After", "OneTime", "02:00:30 AM"},
                                             {"01/01/2000", "Daily", "Everyday", "01:45:00 AM"}});
        AlarmWatch watch;
        std::map<QString, int> opened;
        tickThrough(watch, table, at(2003, 10, 26, 0, 59, 0), at(2003, 10, 26, 1, 59, 59), opened);
        // At 02:00 the clock shows 01:00 again and goes through the hour once more.
        tickThrough(watch, table, at(2003, 10, 26, 1, 0, 0), at(2003, 10, 26, 2, 1, 0), opened);
        QCOMPARE(opened, (std::map<QString, int>{
                             {"Early", 1}, {"Edge", 1}, {"Start", 1}, {"After", 1}, {"Daily", 1}}));
    }

    void aClockSetForwardAnHourRingsTheSkippedHourAtOnce()
    {
        const ScheduleTable table = tableOf({{"03/30/2003", "Before", "OneTime", "01:59:59 AM"},
                                             {"03/30/2003", "Skipped", "OneTime", "02:15:00 AM"},
                                             {"03/30/2003", "Skipped edge", "OneTime", "02:59:59 AM"},
                                             {"01/01/2000", "Daily", "Everyday", "02:30:00 AM"},
                                             {"03/30/2003", "Landing", "OneTime", "03:00:00 AM"},
                                             {"03/30/2003", "Later", "OneTime", "03:00:01 AM"}});
        AlarmWatch watch;
        std::map<QString, int> opened;
        tickThrough(watch, table, at(2003, 3, 30, 1, 59, 0), at(2003, 3, 30, 1, 59, 59), opened);
        QCOMPARE(opened, (std::map<QString, int>{{"Before", 1}}));
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 30, 3, 0, 0))),
                 QStringList({"Skipped", "Skipped edge", "Daily", "Landing"}));
        tickThrough(watch, table, at(2003, 3, 30, 3, 0, 1), at(2003, 3, 30, 3, 1, 0), opened);
        QCOMPARE(opened, (std::map<QString, int>{{"Before", 1}, {"Later", 1}}));
    }

    void aLongGapOpensOneWindowPerEntryAndLooksBackAMonthAtMost()
    {
        // Friday 7 March 2003 to Monday 10 March: a suspend over the weekend.
        const ScheduleTable table = tableOf({{"01/01/2000", "Daily", "Everyday", "09:00:00 AM"},
                                             {"01/01/2000", "Work", "Monday to Friday", "08:00:00 AM"},
                                             {"03/08/2003", "Saturday", "OneTime", "06:00:00 PM"},
                                             {"03/01/2003", "Too early", "OneTime", "06:00:00 PM"},
                                             {"03/10/2003", "Not yet", "OneTime", "10:00:01 AM"}});
        AlarmWatch watch;
        QVERIFY(watch.due(table, at(2003, 3, 7, 10, 0, 0)).empty());
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 10, 10, 0, 0))),
                 QStringList({"Daily", "Work", "Saturday"}));

        // A clock set years ahead: only what fell in the last 31 days rings.
        const ScheduleTable old = tableOf({{"03/07/2003", "Long ago", "OneTime", "11:00:00 AM"},
                                           {"05/10/2009", "Within", "OneTime", "11:00:00 AM"},
                                           {"04/09/2009", "Just outside", "OneTime", "11:59:59 AM"},
                                           {"04/09/2009", "Just inside", "OneTime", "12:00:00 PM"}});
        AlarmWatch jumped;
        QVERIFY(jumped.due(old, at(2003, 3, 7, 10, 0, 0)).empty());
        QCOMPARE(subjects(old, jumped.due(old, at(2009, 5, 10, 12, 0, 0))),
                 QStringList({"Within", "Just inside"}));
    }

    void anEntryDueOnSeveralDaysOfAGapGivesItsLatestDay()
    {
        const ScheduleTable table = tableOf({{"01/01/2000", "Daily", "Everyday", "09:00:00 AM"},
                                             {"03/08/2003", "Saturday", "OneTime", "06:00:00 PM"},
                                             {"01/01/2000", "Work", "Monday to Friday", "08:00:00 AM"}});
        AlarmWatch watch;
        QVERIFY(watch.dueOccurrences(table, at(2003, 3, 7, 10, 0, 0)).empty());
        const std::vector<AlarmWatch::Occurrence> due =
            watch.dueOccurrences(table, at(2003, 3, 10, 10, 0, 0));
        QCOMPARE(due.size(), size_t(3));
        const qint64 day = QDate(2003, 3, 10).toJulianDay() * Recurrence::SecondsPerDay;
        QCOMPARE(due[0].position, size_t(0));
        QCOMPARE(due[0].second, day + 9 * 3600);
        QCOMPARE(due[1].second, day - 86400 * 2 + 18 * 3600);
        QCOMPARE(due[2].second, day + 8 * 3600);
    }

    void aWatchResumedFromAnEarlierRunRingsWhatFellDueSince()
    {
        const ScheduleTable table = tableOf({{"03/07/2003", "Before", "OneTime", "09:59:59 AM"},
                                             {"03/07/2003", "At the end", "OneTime", "10:00:00 AM"},
                                             {"03/07/2003", "Between", "OneTime", "10:00:01 AM"},
                                             {"03/07/2003", "Now", "OneTime", "06:00:00 PM"},
                                             {"03/07/2003", "Later", "OneTime", "06:00:01 PM"}});
        AlarmWatch watch;
        watch.resumeFrom(Recurrence::wallSecond(at(2003, 3, 7, 10, 0, 0)));
        QVERIFY(watch.hasChecked());
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 18, 0, 0))),
                 QStringList({"Between", "Now"}));
        // A run resumed from a second after now (the clock went back meanwhile) rings nothing before now.
        AlarmWatch ahead;
        ahead.resumeFrom(Recurrence::wallSecond(at(2003, 3, 7, 19, 0, 0)));
        QCOMPARE(subjects(table, ahead.due(table, at(2003, 3, 7, 18, 0, 0))), QStringList({"Now"}));
        QCOMPARE(subjects(table, ahead.due(table, at(2003, 3, 7, 18, 0, 1))), QStringList({"Later"}));
    }

    void aClockCorrectedBackMoreThanADayForgetsWhatItRang()
    {
        const ScheduleTable table = tableOf({{"03/09/2003", "Sunday", "OneTime", "09:00:00 AM"}});
        const QDateTime ringing = at(2003, 3, 9, 9, 0, 0);

        // Back 25 hours: the alarm already rang and does not ring when its time comes again.
        AlarmWatch watch;
        QCOMPARE(subjects(table, watch.due(table, ringing)), QStringList({"Sunday"}));
        QVERIFY(watch.due(table, ringing.addSecs(-25 * 3600)).empty());
        QVERIFY(watch.due(table, ringing.addSecs(-1)).empty());
        QVERIFY(watch.due(table, ringing).empty());

        // Back 27 hours: the clock was wrong, and the alarm rings when its time truly comes.
        AlarmWatch corrected;
        QCOMPARE(subjects(table, corrected.due(table, ringing)), QStringList({"Sunday"}));
        QVERIFY(corrected.due(table, ringing.addSecs(-27 * 3600)).empty());
        QVERIFY(corrected.due(table, ringing.addSecs(-1)).empty());
        QCOMPARE(subjects(table, corrected.due(table, ringing)), QStringList({"Sunday"}));
    }

    void rungAlarmsAreForgottenAfterADayAndTwoHours()
    {
        const ScheduleTable table = tableOf({{"01/01/2000", "Daily", "Everyday", "09:00:00 AM"},
                                             {"01/01/2000", "Nightly", "Everyday", "09:00:00 PM"}});
        AlarmWatch watch;
        watch.due(table, at(2003, 3, 7, 8, 0, 0));
        for (int day = 7; day <= 20; ++day)
            watch.due(table, at(2003, 3, day, 23, 0, 0));
        // Only the alarms of the last 26 hours are kept: the 20th's two and the 19th's evening.
        QCOMPARE(watch.rememberedCount(), size_t(3));
    }

    void theTableMayChangeBetweenChecks()
    {
        ScheduleTable table = tableOf({{"03/07/2003", "Gone", "OneTime", "10:00:00 AM"},
                                       {"03/07/2003", "Stays", "OneTime", "10:00:00 AM"},
                                       {"03/07/2003", "Moved", "OneTime", "11:00:00 AM"}});
        AlarmWatch watch;
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 0))), QStringList({"Gone", "Stays"}));

        table.remove(0);
        table.replace(1, entryOf({"03/07/2003", "Moved", "OneTime", "10:00:03 AM"}));
        table.append(10, entryOf({"03/07/2003", "Added", "OneTime", "10:00:04 AM"}));
        table.append(11, entryOf({"03/07/2003", "Too late", "OneTime", "09:59:00 AM"}));
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 5))),
                 QStringList({"Moved", "Added"}));

        // Set back a few seconds: the rows that rang are known by their ids, not their old positions.
        table.append(12, entryOf({"03/07/2003", "New at ten", "OneTime", "10:00:00 AM"}));
        QCOMPARE(subjects(table, watch.due(table, at(2003, 3, 7, 10, 0, 0))), QStringList({"New at ten"}));
        std::map<QString, int> opened;
        tickThrough(watch, table, at(2003, 3, 7, 10, 0, 1), at(2003, 3, 7, 10, 0, 10), opened);
        QVERIFY(opened.empty());
    }

    void anAlarmAddedWhileTheTableWasOutdatedRingsOnceTheFreshTableIsIn()
    {
        // The old copy lacks the entry another program added for 10:00:00; the fresh one has it, and
        // the first entry, which rang from the old copy, again.
        ScheduleTable old = tableOf({{"06/12/2014", "Kept", "OneTime", "10:00:00 AM"}});
        old.setOutdated(true);
        const ScheduleTable fresh = tableOf({{"06/12/2014", "Kept", "OneTime", "10:00:00 AM"},
                                             {"06/12/2014", "Added", "OneTime", "10:00:00 AM"}});
        AlarmWatch watch;
        QVERIFY(watch.due(old, at(2014, 6, 12, 9, 59, 59)).empty());
        QCOMPARE(subjects(old, watch.due(old, at(2014, 6, 12, 10, 0, 0))), QStringList{"Kept"});
        QVERIFY(watch.due(old, at(2014, 6, 12, 10, 0, 1)).empty());
        QCOMPARE(subjects(fresh, watch.due(fresh, at(2014, 6, 12, 10, 0, 2))), QStringList{"Added"});
        QVERIFY(watch.due(fresh, at(2014, 6, 12, 10, 0, 3)).empty());
    }

    void aLongOutdatedStretchRingsNothingTwice()
    {
        // The old table stays outdated for two days (the fresh read kept failing); what rang from it
        // then must not ring again once the fresh table is in, though the rung alarms are long forgotten.
        ScheduleTable old = tableOf({{"06/12/2014", "Daily", "Everyday", "10:00:00 AM"}});
        old.setOutdated(true);
        const ScheduleTable fresh = tableOf({{"06/12/2014", "Daily", "Everyday", "10:00:00 AM"}});
        AlarmWatch watch;
        QVERIFY(watch.due(old, at(2014, 6, 12, 9, 59, 59)).empty());
        QCOMPARE(subjects(old, watch.due(old, at(2014, 6, 12, 10, 0, 0))), QStringList{"Daily"});
        QCOMPARE(subjects(old, watch.due(old, at(2014, 6, 13, 10, 0, 0))), QStringList{"Daily"});
        QVERIFY(watch.due(old, at(2014, 6, 14, 9, 0, 0)).empty());
        QVERIFY(watch.due(fresh, at(2014, 6, 14, 9, 0, 1)).empty());
    }

    void aStretchCheckedWithoutALookAtTheFileIsLookedAtAgain()
    {
        // Checked from the table in memory while the file was not looked at; the look at 10:00:30 finds
        // another program's entries for 10:00:10 and 10:00:31, and one for 09:59:00, before the stretch.
        const ScheduleTable inMemory = tableOf({{"06/12/2014", "Kept", "OneTime", "10:00:05 AM"}});
        const ScheduleTable looked = tableOf({{"06/12/2014", "Kept", "OneTime", "10:00:05 AM"},
                                              {"06/12/2014", "Missed", "OneTime", "10:00:10 AM"},
                                              {"06/12/2014", "Before", "OneTime", "09:59:00 AM"},
                                              {"06/12/2014", "Next", "OneTime", "10:00:31 AM"}});
        AlarmWatch watch;
        std::map<QString, int> opened;
        tickThrough(watch, inMemory, at(2014, 6, 12, 10, 0, 0), at(2014, 6, 12, 10, 0, 29), opened);
        QCOMPARE(opened, (std::map<QString, int>{{"Kept", 1}}));
        watch.lookAgainFrom(Recurrence::wallSecond(at(2014, 6, 12, 10, 0, 1)));
        tickThrough(watch, looked, at(2014, 6, 12, 10, 0, 30), at(2014, 6, 12, 10, 1, 0), opened);
        QCOMPARE(opened, (std::map<QString, int>{{"Kept", 1}, {"Missed", 1}, {"Next", 1}}));
        // Asked again for a stretch the watch has looked at, it rings nothing twice.
        watch.lookAgainFrom(Recurrence::wallSecond(at(2014, 6, 12, 10, 0, 0)));
        tickThrough(watch, looked, at(2014, 6, 12, 10, 1, 1), at(2014, 6, 12, 10, 1, 2), opened);
        QCOMPARE(opened, (std::map<QString, int>{{"Kept", 1}, {"Missed", 1}, {"Next", 1}}));
    }

    void aTableNeverOutdatedIsNotLookedAtAgain()
    {
        // Without an outdated copy in between, a later table brings no second look at past seconds.
        const ScheduleTable before = tableOf({{"06/12/2014", "Kept", "OneTime", "10:00:00 AM"}});
        const ScheduleTable after = tableOf({{"06/12/2014", "Kept", "OneTime", "10:00:00 AM"},
                                             {"06/12/2014", "Added", "OneTime", "10:00:00 AM"}});
        AlarmWatch watch;
        QCOMPARE(subjects(before, watch.due(before, at(2014, 6, 12, 10, 0, 0))), QStringList{"Kept"});
        QVERIFY(watch.due(after, at(2014, 6, 12, 10, 0, 1)).empty());
    }

    void aDayOfTicksRingsExactlyWhatIsDue()
    {
        // Random entries, many of them at a few shared seconds, over a day that spans midnight; every tick
        // must give what a pass over every entry finds due at that second.
        std::mt19937 random(11);
        auto pick = [&](int below) { return int(random() % unsigned(below)); };
        const QStringList kinds{"OneTime", "Monthly", "yearly", "EveryDay", "Monday to Friday", "Other"};
        const QStringList switches{"on", "on", "on", "off", "On"};
        const QDate start(2003, 2, 28); // a Friday, into Saturday 1 March
        ScheduleTable table;
        for (qint64 rowId = 1; rowId <= 300; ++rowId) {
            const QDate date = start.addDays(pick(5) - 2);
            const int second = pick(3) ? pick(86400) : 43200 + pick(4) * 3600 + pick(2);
            table.append(
                rowId * 3,
                ScheduleEntry::make(DateText::mmddyyyy(date), "Friday", QStringLiteral("s%1").arg(rowId), "n",
                                    DateText::timeText(QTime::fromMSecsSinceStartOfDay(second * 1000)),
                                    switches[pick(int(switches.size()))], kinds[pick(int(kinds.size()))]));
        }
        AlarmWatch watch;
        size_t rung = 0;
        size_t sharedSeconds = 0;
        QDateTime now = QDateTime(start, QTime(12, 0, 0, 250), QTimeZone::utc());
        for (int tick = 0; tick < 86400; ++tick, now = now.addSecs(1)) {
            std::vector<size_t> expected;
            for (size_t i = 0; i < table.size(); ++i) {
                if (Recurrence::isAlarmDue(table, i, now))
                    expected.push_back(i);
            }
            const std::vector<size_t> due = watch.due(table, now);
            if (due != expected)
                QFAIL(qPrintable(QStringLiteral("wrong alarms at %1").arg(now.toString(Qt::ISODate))));
            rung += due.size();
            sharedSeconds += due.size() > 1;
        }
        // Guards against a day in which too little rang to tell anything.
        QVERIFY(rung > 50);
        QVERIFY(sharedSeconds > 3);
    }
};

QTEST_GUILESS_MAIN(TestAlarmWatch)
#include "TestAlarmWatch.moc"
