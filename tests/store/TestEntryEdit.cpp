#include "store/EntryEdit.h"

#include <QtTest>

// How the organizer finds an entry again from its panel, and what a save makes of it.
class TestEntryEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void findsTheFirstMatchFromAPosition();
    void storedFormsOfTheSameDayAndSecondStillMatch();
    void rewriteKeepsTheSwitchAndFollowsTheDate();
};

namespace {

ScheduleTable tableOf(const std::vector<ScheduleEntry>& entries)
{
    ScheduleTable table;
    qint64 rowId = 1;
    for (const ScheduleEntry& entry : entries)
        table.append(rowId++, entry);
    return table;
}

ScheduleEntry entry(const QString& date, const QString& type,
                    const QString& time = QStringLiteral("10:00:00 AM"),
                    const QString& kind = QStringLiteral("OneTime"))
{
    return ScheduleEntry::make(date, QStringLiteral("Monday"), type, QStringLiteral("note"), time,
                               QStringLiteral("off"), kind);
}

} // namespace

void TestEntryEdit::findsTheFirstMatchFromAPosition()
{
    const ScheduleTable table =
        tableOf({entry("10/20/2002", "Other"), entry("10/20/2002", "Twin"),
                 entry("10/20/2002", "Twin", "10:00:00 AM", "Monthly"), entry("10/20/2002", "Twin")});
    const EntryTexts twin{"10/20/2002", "ONETIME", "Twin", "note", "10:00:00 AM"};
    QCOMPARE(EntryEdit::findFrom(table, twin), size_t(1)); // kinds compare without regard to case
    QCOMPARE(EntryEdit::findFrom(table, twin, 2), size_t(3));
    QCOMPARE(EntryEdit::findFrom(table, twin, 4), table.size());
    EntryTexts otherNote = twin;
    otherNote.note = QStringLiteral("Note");
    QCOMPARE(EntryEdit::findFrom(table, otherNote), table.size()); // free texts are exact
}

void TestEntryEdit::storedFormsOfTheSameDayAndSecondStillMatch()
{
    const ScheduleTable table = tableOf(
        {entry("3/7/2003", "Loose", "14:30"), entry("03/08/2003", "Odd", "soon"), entry("someday", "Vague")});
    QVERIFY(EntryEdit::matches(table, 0, {"03/07/2003", "Onetime", "Loose", "note", "02:30:00 PM"}));
    QVERIFY(!EntryEdit::matches(table, 0, {"03/07/2003", "Onetime", "Loose", "note", "02:31:00 PM"}));
    QVERIFY(!EntryEdit::matches(table, 0, {"03/08/2003", "Onetime", "Loose", "note", "02:30:00 PM"}));
    // A time that is no time matches only its own text.
    QVERIFY(EntryEdit::matches(table, 1, {"03/08/2003", "Onetime", "Odd", "note", "soon"}));
    QVERIFY(!EntryEdit::matches(table, 1, {"03/08/2003", "Onetime", "Odd", "note", ""}));
    // Nor does a date that is no date.
    QVERIFY(EntryEdit::matches(table, 2, {"someday", "Onetime", "Vague", "note", "10:00:00 AM"}));
    QVERIFY(!EntryEdit::matches(table, 2, {"Someday", "Onetime", "Vague", "note", "10:00:00 AM"}));
    QCOMPARE(EntryEdit::findFrom(table, {"03/07/2003", "Onetime", "Loose", "note", "2:30 PM"}), size_t(0));
}

void TestEntryEdit::rewriteKeepsTheSwitchAndFollowsTheDate()
{
    ScheduleEntry stored = entry("10/20/2002", "Dentist");
    stored[ScheduleField::AlarmOnOff] = QStringLiteral("on");
    const ScheduleEntry saved =
        EntryEdit::rewritten(stored, {"10/22/2002", "EveryDay", "Orthodontist", "Bring card", "14:05"});
    QCOMPARE(saved, ScheduleEntry::make("10/22/2002", "Tuesday", "Orthodontist", "Bring card", "02:05:00 PM",
                                        "on", "EveryDay"));

    QVERIFY(!EntryEdit::isComplete({"10/22/2002", "", "x", "y", "02:05:00 PM"}));
    QVERIFY(EntryEdit::isComplete({"10/22/2002", "Monthly", "x", "y", "02:05:00 PM"}));
    QCOMPARE(EntryEdit::toggledSwitch("on"), QStringLiteral("off"));
    QCOMPARE(EntryEdit::toggledSwitch("ON"), QStringLiteral("on"));
}

QTEST_MAIN(TestEntryEdit)
#include "TestEntryEdit.moc"
