#include "occurrence/KeptEventEdit.h"
#include "store/DateText.h"
#include "store/RuleFile.h"
#include "store/ScheduleTable.h"
#include "sync/DavTestServer.h"
#include "sync/SyncSide.h"

#include <QTest>

// A weekly event of another client, with a moved and a cancelled week, in a zone of its own, on a real
// Radicale server: synced here, its time and subject edited as the organizer edits a recurring entry, synced
// back, and read by python3-caldav with its rule, its changed weeks and its zone whole.
class TestCalDavRecurringEdit : public QObject
{
    Q_OBJECT

private slots:
    void aWeeklyEventEditedHereKeepsItsRuleExceptionsAndZone();
};

void TestCalDavRecurringEdit::aWeeklyEventEditedHereKeepsItsRuleExceptionsAndZone()
{
    QString why;
    bool notInstalled = false;
    const auto dav = DavTestServer::start(DavTestServer::Kind::Radicale, &why, false, &notInstalled);
    if (!dav && notInstalled)
        QSKIP(qPrintable(why));
    QVERIFY2(dav, qPrintable(why));
    const QUrl calendar = dav->makeCalendar(QStringLiteral("Team"));
    const QByteArray zone =
        "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\n"
        "BEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
        "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n";
    const QByteArray weekly =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//EN\r\n" + zone +
        "BEGIN:VEVENT\r\nUID:standup-1\r\nDTSTAMP:20260101T000000Z\r\n"
        "DTSTART;TZID=Europe/Berlin:20261207T093000\r\nDTEND;TZID=Europe/Berlin:20261207T100000\r\n"
        "RRULE:FREQ=WEEKLY;BYDAY=MO\r\nEXDATE;TZID=Europe/Berlin:20261214T093000\r\nSUMMARY:Standup\r\n"
        "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:standup-1\r\nDTSTAMP:20260101T000000Z\r\n"
        "RECURRENCE-ID;TZID=Europe/Berlin:20261221T093000\r\nDTSTART;TZID=Europe/Berlin:20261221T110000\r\n"
        "DTEND;TZID=Europe/Berlin:20261221T113000\r\nSUMMARY:Standup moved\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    QVERIFY(dav->putEvent(calendar, weekly));

    SyncSide side(calendar, dav->user(), dav->password());
    const SyncReport first = side.sync(true);
    QVERIFY2(first.ok, qPrintable(first.error));
    const auto row = side.database().rowOf(QStringLiteral("standup-1"));
    QVERIFY(row);
    const ScheduleTable& table = side.database().table();
    ScheduleEntry entry = table.entry(table.indexOf(*row));
    QCOMPARE(entry[ScheduleField::Kind], QString::fromLatin1(RuleFile::RecurringKind));

    // Half an hour later and renamed, as the organizer saves it: the row and its whole series move together.
    const QTime before = *DateText::readTime(entry[ScheduleField::AlarmTime]);
    const QTime after = before.addSecs(1800);
    entry[ScheduleField::AlarmTime] = DateText::timeText(after);
    entry[ScheduleField::Subject] = QStringLiteral("Daily standup");
    const QByteArray moved = KeptEventEdit::movedBy(side.database().rules().value(*row), before.secsTo(after));
    QVERIFY(!moved.isEmpty());
    QVERIFY(side.database().update(*row, entry, &moved));
    const SyncReport back = side.sync();
    QVERIFY2(back.ok, qPrintable(back.error));
    QCOMPARE(back.keptHere, 0);

    const QString seen = dav->peer({QStringLiteral("get"), calendar.toString(), QStringLiteral("standup-1")})
                             .remove(QStringLiteral("\r\n "))
                             .remove(QStringLiteral("\n "));
    // The series in its own zone half an hour later; the cancelled week still cancelled, the moved week
    // still where it was moved to, standing for its week's new time.
    for (const char* kept :
         {"SUMMARY:Daily standup", "RRULE:FREQ=WEEKLY;BYDAY=MO", "DTSTART;TZID=Europe/Berlin:20261207T100000",
          "DTEND;TZID=Europe/Berlin:20261207T103000", "EXDATE;TZID=Europe/Berlin:20261214T100000",
          "RECURRENCE-ID;TZID=Europe/Berlin:20261221T100000", "DTSTART;TZID=Europe/Berlin:20261221T110000",
          "SUMMARY:Standup moved", "TZID:Europe/Berlin"})
        QVERIFY2(seen.contains(QLatin1String(kept)), qPrintable(QLatin1String(kept) + u'\n' + seen));
    QCOMPARE(seen.count(QLatin1String("BEGIN:VEVENT")), 2);
    QCOMPARE(dav->peer({QStringLiteral("when"), calendar.toString(), QStringLiteral("standup-1")}).trimmed(),
             QStringLiteral("Europe/Berlin 20261207T090000Z 20261207T093000Z"));
}

QTEST_GUILESS_MAIN(TestCalDavRecurringEdit)
#include "TestCalDavRecurringEdit.moc"
