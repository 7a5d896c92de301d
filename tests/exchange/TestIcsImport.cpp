#include "exchange/EventToEntry.h"
#include "exchange/IcsExport.h"
#include "exchange/IcsImport.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"
#include "support/OtherConnection.h"
#include "support/ScheduleFolder.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

// Calendar files as other programs write them, taken into the schedule.
class TestIcsImport : public QObject
{
    Q_OBJECT

private:
    ScheduleFolder m_folder;

    QString schedulePath() const { return m_folder.schedulePath(); }
    std::unique_ptr<ScheduleDatabase> openSchedule() { return m_folder.openSchedule(); }
    QString writeFile(const QByteArray& text) { return m_folder.writeFile(text); }

    // One calendar around the given event lines (LF line ends).
    static QByteArray calendar(const QByteArray& eventLines)
    {
        return "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//Test//EN\nBEGIN:VEVENT\nUID:x@test\n"
               "DTSTAMP:20240101T000000Z\n" +
               eventLines + "\nEND:VEVENT\nEND:VCALENDAR\n";
    }

    IcsImport::Result importText(ScheduleDatabase& db, const QByteArray& text,
                                 const QTimeZone& local = QTimeZone::utc())
    {
        return IcsImport::run(db, writeFile(text), local);
    }

private slots:
    void init() { QFile::remove(schedulePath()); }

    void eventsOfADeskCalendarBecomeEntries()
    {
        auto db = openSchedule();
        const IcsImport::Result result =
            IcsImport::run(*db, QFINDTESTDATA("fixtures/desk-calendar.ics"), QTimeZone::utc());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.added, 4);
        QCOMPARE(result.simplified, 0);
        QCOMPARE(result.rulesKept, 1);
        QCOMPARE(result.subjectsCut, 1);
        QCOMPARE(result.alarmsMoved, 1);

        const ScheduleTable& table = db->table();
        QCOMPARE(table.size(), size_t(4));
        // A folded summary with escaped commas and semicolons, cut to the subject's 50 characters; the
        // Berlin summer time start is 07:30 in UTC; the reminder 15 minutes before it is the entry's time.
        const QDate meeting(2024, 7, 9);
        QCOMPARE(table.entry(0),
                 ScheduleEntry::make(QStringLiteral("07/09/2024"), DateText::dddd(meeting),
                                     QStringLiteral("Planning: budget, staffing; and the road map for t"),
                                     QStringLiteral("Room 4.12\nBring the figures, please."),
                                     QStringLiteral("07:15:00 AM"), QStringLiteral("on"),
                                     QStringLiteral("OneTime")));
        // An all-day yearly event with text beyond ASCII, and no description.
        QCOMPARE(table.entry(1),
                 ScheduleEntry::make(QStringLiteral("02/14/1980"), DateText::dddd(QDate(1980, 2, 14)),
                                     QStringLiteral("Ünal’s birthday – café 🎂"), EventToEntry::NoNote,
                                     QStringLiteral("12:00:00 AM"), QStringLiteral("off"),
                                     QStringLiteral("Yearly")));
        QCOMPARE(table.text(2, ScheduleField::Kind), QStringLiteral("Monday to Friday"));
        QCOMPARE(table.text(2, ScheduleField::AlarmTime), QStringLiteral("08:15:00 AM"));
        QCOMPARE(table.text(2, ScheduleField::Note), EventToEntry::NoNote);
        // Ten weekly evenings have no kind: the entry is their first, and keeps the rule whole.
        QCOMPARE(table.text(3, ScheduleField::Date), QStringLiteral("09/05/2024"));
        QCOMPARE(table.text(3, ScheduleField::AlarmTime), QStringLiteral("06:00:00 PM"));
        QCOMPARE(table.text(3, ScheduleField::Kind), QStringLiteral("Recurring"));
        QVERIFY(db->rules().value(table.rowId(3)).contains("RRULE:FREQ=WEEKLY;COUNT=10"));
    }

    void startsAreConvertedToLocalTime_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");

        // Local time in these rows is Tokyo's, nine hours ahead of UTC all year.
        QTest::newRow("floating stays as written") << QByteArray("DTSTART:20240310T230000") << "03/10/2024"
                                                   << "11:00:00 PM";
        QTest::newRow("UTC moves to the next day") << QByteArray("DTSTART:20240310T200000Z") << "03/11/2024"
                                                   << "05:00:00 AM";
        QTest::newRow("a zone the system knows")
            << QByteArray("DTSTART;TZID=America/New_York:20240710T090000") << "07/10/2024"
            << "10:00:00 PM";
        QTest::newRow("all day") << QByteArray("DTSTART;VALUE=DATE:20241231") << "12/31/2024"
                                 << "12:00:00 AM";
    }

    void startsAreConvertedToLocalTime()
    {
        QFETCH(QByteArray, start);
        QFETCH(QString, date);
        QFETCH(QString, time);
        auto db = openSchedule();
        const IcsImport::Result result =
            importText(*db, calendar(start + "\nSUMMARY:x"), QTimeZone(QByteArrayLiteral("Asia/Tokyo")));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(db->table().text(0, ScheduleField::Date), date);
        QCOMPARE(db->table().text(0, ScheduleField::AlarmTime), time);
    }

    void aZoneTheFileDescribesWinsOverTheSystemsOwn()
    {
        // A zone named like a real one but described with another offset: the file's description counts.
        auto db = openSchedule();
        const QByteArray text =
            "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//Test//EN\n"
            "BEGIN:VEVENT\nUID:a\nDTSTAMP:20240101T000000Z\n"
            "DTSTART;TZID=Europe/Paris:20240110T120000\nSUMMARY:x\nEND:VEVENT\n"
            "BEGIN:VTIMEZONE\nTZID:Europe/Paris\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
            "TZOFFSETFROM:+0300\nTZOFFSETTO:+0300\nEND:STANDARD\nEND:VTIMEZONE\n"
            "END:VCALENDAR\n";
        const IcsImport::Result result = importText(*db, text);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(db->table().text(0, ScheduleField::AlarmTime), QStringLiteral("09:00:00 AM"));
    }

    void rulesMapOntoTheKinds_data()
    {
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("simplified");

        QTest::newRow("none") << QByteArray() << "OneTime" << false;
        QTest::newRow("yearly") << QByteArray("RRULE:FREQ=YEARLY") << "Yearly" << false;
        QTest::newRow("yearly on its own day")
            << QByteArray("RRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=31") << "Yearly" << false;
        QTest::newRow("yearly on another day")
            << QByteArray("RRULE:FREQ=YEARLY;BYMONTH=4") << "Recurring" << false;
        QTest::newRow("yearly until")
            << QByteArray("RRULE:FREQ=YEARLY;UNTIL=20300101T000000") << "Recurring" << false;
        QTest::newRow("daily") << QByteArray("RRULE:FREQ=DAILY") << "Everyday" << false;
        QTest::newRow("every other day") << QByteArray("RRULE:FREQ=DAILY;INTERVAL=2") << "Recurring" << false;
        QTest::newRow("daily, five times") << QByteArray("RRULE:FREQ=DAILY;COUNT=5") << "Recurring" << false;
        QTest::newRow("weekdays") << QByteArray("RRULE:FREQ=WEEKLY;BYDAY=FR,TH,WE,TU,MO")
                                  << "Monday to Friday" << false;
        QTest::newRow("weekdays and Saturday")
            << QByteArray("RRULE:FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR,SA") << "Recurring" << false;
        QTest::newRow("weekly") << QByteArray("RRULE:FREQ=WEEKLY") << "Recurring" << false;
        QTest::newRow("weekdays but one") << QByteArray("RRULE:FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR\n"
                                                        "EXDATE:20240402T100000")
                                          << "Recurring" << false;
        QTest::newRow("every weekday, as Outlook writes it")
            << QByteArray("RRULE:FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR") << "Monday to Friday" << false;
        QTest::newRow("daily on some days")
            << QByteArray("RRULE:FREQ=DAILY;BYDAY=MO,WE") << "Recurring" << false;
        // The program's monthly entry recurs in every month of every year: the open monthly rule.
        QTest::newRow("monthly without end") << QByteArray("RRULE:FREQ=MONTHLY") << "Monthly" << false;
        // What earlier exports wrote for it: the months of one year only.
        QTest::newRow("monthly within its year")
            << QByteArray("RRULE:FREQ=MONTHLY;UNTIL=20241231T235959\nRDATE:20240131T100000") << "Monthly"
            << true;
        QTest::newRow("monthly from its month to the year's end")
            << QByteArray("RRULE:FREQ=MONTHLY;UNTIL=20241231T235959") << "Monthly" << true;
        QTest::newRow("monthly into the next year")
            << QByteArray("RRULE:FREQ=MONTHLY;UNTIL=20250630T000000") << "Recurring" << false;
        QTest::newRow("monthly, three times")
            << QByteArray("RRULE:FREQ=MONTHLY;COUNT=3") << "Recurring" << false;
        QTest::newRow("monthly on the last Friday")
            << QByteArray("RRULE:FREQ=MONTHLY;BYDAY=-1FR") << "Recurring" << false;
        QTest::newRow("extra dates alone") << QByteArray("RDATE:20240401T100000") << "Recurring" << false;
        // Only an event of several rules is still simplified.
        QTest::newRow("two rules") << QByteArray("RRULE:FREQ=WEEKLY\nRRULE:FREQ=MONTHLY") << "OneTime" << true;
    }

    void rulesMapOntoTheKinds()
    {
        QFETCH(QByteArray, rule);
        QFETCH(QString, kind);
        QFETCH(bool, simplified);
        auto db = openSchedule();
        // 31 March 2024: February has no day 31, so the monthly rule adds January alone.
        const QByteArray lines = "DTSTART:20240331T100000\nSUMMARY:x" + (rule.isEmpty() ? rule : "\n" + rule);
        const IcsImport::Result result = importText(*db, calendar(lines));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(db->table().text(0, ScheduleField::Kind), kind);
        QCOMPARE(db->table().text(0, ScheduleField::Date), QStringLiteral("03/31/2024"));
        QCOMPARE(result.simplified, simplified ? 1 : 0);
        // A rule none of the five kinds says is kept whole beside the entry, and only then.
        QCOMPARE(result.rulesKept, kind == QLatin1String("Recurring") ? 1 : 0);
        QCOMPARE(db->rules().contains(db->table().rowId(0)), kind == QLatin1String("Recurring"));
    }

    void severalCalendarsAndOddEventsAreCounted()
    {
        auto db = openSchedule();
        const IcsImport::Result result =
            IcsImport::run(*db, QFINDTESTDATA("fixtures/two-calendars.ics"), QTimeZone::utc());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.added, 2);
        QCOMPARE(result.changedOccurrences, 1);
        QCOMPARE(result.noStart, 1);
        QCOMPARE(result.simplified, 0);
        const ScheduleTable& table = db->table();
        QCOMPARE(table.text(0, ScheduleField::Subject), QStringLiteral("Pills"));
        // Its changed occurrence stays with it, so the series keeps its whole event.
        QCOMPARE(table.text(0, ScheduleField::Kind), QStringLiteral("Recurring"));
        QVERIFY(db->rules().value(table.rowId(0)).contains("SUMMARY:Pills (late)"));
        QVERIFY(table.alarmOn(0));
        QCOMPARE(table.text(1, ScheduleField::Subject), QStringLiteral("Rent"));
        QCOMPARE(table.kind(1), ScheduleKind::Monthly);
        QCOMPARE(table.text(1, ScheduleField::Note), QStringLiteral("Transfer to the landlord"));
    }

    void aFaultyFileChangesNothingAndSaysWhere_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<QString>("says");

        const auto fixture = [](const char* name) {
            QFile file(QFINDTESTDATA(QStringLiteral("fixtures/") + QLatin1String(name)));
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        };
        QTest::newRow("cut off") << fixture("truncated.ics") << qint64(14) << "cut off";
        // Inside an event such a line leaves that event out (oneDamagedEventIsLeftOutWithItsLine).
        QTest::newRow("a line that is no property")
            << QByteArray("BEGIN:VCALENDAR\nVERSION:2.0\nthis is no line\nEND:VCALENDAR\n") << qint64(3)
            << "\"this is no line\" cannot be read";
        QTest::newRow("an end that does not match")
            << QByteArray(
                   "BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20240310T100000\nEND:VTODO\nEND:VCALENDAR\n")
            << qint64(4) << "END:VTODO";
        QTest::newRow("no calendar at all")
            << QByteArray("Dear diary,\nnothing happened.\n") << qint64(1) << "BEGIN:VCALENDAR";
        QTest::newRow("an empty file") << QByteArray() << qint64(1) << "no calendar";
        QTest::newRow("a zero byte") << QByteArray("BEGIN:VCALENDAR\nVERSION:2.0\n\0\n", 30) << qint64(3)
                                     << "zero byte";
    }

    void aFaultyFileChangesNothingAndSaysWhere()
    {
        QFETCH(QByteArray, text);
        QFETCH(qint64, line);
        QFETCH(QString, says);
        auto db = openSchedule();
        QVERIFY(db->append(
            ScheduleEntry::make("03/07/2003", "Friday", "kept", "note", "10:30:00 AM", "on", "OneTime")));
        QFile schedule(schedulePath());
        QVERIFY(schedule.open(QIODevice::ReadOnly));
        const QByteArray before = schedule.readAll();
        schedule.close();

        const IcsImport::Result result = importText(*db, text);
        QVERIFY(!result.ok);
        QCOMPARE(result.line, line);
        QVERIFY2(result.error.contains(says), qPrintable(result.error));
        QVERIFY(schedule.open(QIODevice::ReadOnly));
        QCOMPARE(schedule.readAll(), before);
        QCOMPARE(db->table().size(), size_t(1));
    }

    void whatCannotBeReadIsLeftOutAndTheRestComesIn()
    {
        auto db = openSchedule();
        QStringList notices;
        IcsImport::Options options;
        options.notice = [&](const QString& line) { notices << line; };
        // An end nobody can read is no part of an entry; a start nobody can read leaves its event out.
        IcsImport::Result result =
            IcsImport::run(*db, QFINDTESTDATA("fixtures/unreadable-value.ics"), QTimeZone::utc(), options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.added, 2);
        QCOMPARE(db->table().text(1, ScheduleField::Subject), QStringLiteral("Broken entry"));
        result = IcsImport::run(*db, writeFile(calendar("SUMMARY:x\nDTSTART;VALUE=DATE:20241301")),
                                QTimeZone::utc(), options);
        QVERIFY(result.ok);
        QCOMPARE(result.added, 0);
        QCOMPARE(result.leftOut, 1);
        QCOMPARE(notices,
                 QStringList({QStringLiteral("line 8 \"x\": its start \"DTSTART;VALUE=DATE:20241301\" "
                                             "is no date; left out")}));
        // A zone neither described nor known: the time as written, in local time.
        result = IcsImport::run(
            *db, writeFile(calendar("DTSTART;TZID=Atlantis/Capital:20240310T100000\nSUMMARY:y")),
            QTimeZone(QByteArrayLiteral("Asia/Tokyo")), options);
        QCOMPARE(result.unknownZones, 1);
        QCOMPARE(db->table().text(2, ScheduleField::AlarmTime), QStringLiteral("10:00:00 AM"));
        QVERIFY2(notices.last().contains(QLatin1String("\"Atlantis/Capital\" is known neither")),
                 qPrintable(notices.last()));
    }

    void oneDamagedEventIsLeftOutWithItsLine()
    {
        auto db = openSchedule();
        QStringList notices;
        IcsImport::Options options;
        options.notice = [&](const QString& line) { notices << line; };
        const IcsImport::Result result =
            IcsImport::run(*db, QFINDTESTDATA("fixtures/damaged-events.ics"), QTimeZone::utc(), options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.added, 2);
        QCOMPARE(result.leftOut, 4);
        QCOMPARE(db->table().text(0, ScheduleField::Subject), QStringLiteral("First"));
        QCOMPARE(db->table().text(1, ScheduleField::Subject), QStringLiteral("Last"));
        // A quote that does not close, a line break that was not folded, a raw line in a reminder, and
        // an event in a zone whose description holds such a line: each named by its line.
        QCOMPARE(notices.size(), 4);
        const QStringList starts{
            QStringLiteral("line 22 "), QStringLiteral("line 31 "), QStringLiteral("line 41 "),
            QStringLiteral("line 47 \"In the broken zone\": its time zone \"Broken Zone\", "
                           "described on line 4, was refused: its line 10 ")};
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(notices[i].startsWith(starts[i]) &&
                         notices[i].endsWith(QLatin1String("cannot be read; left out")),
                     qPrintable(notices[i]));
        }
        QVERIFY2(notices[1].contains(QLatin1String("\"and its second line, not folded\"")),
                 qPrintable(notices[1]));
    }

    void aUtf16FileIsReadAsTheTextItStandsFor()
    {
        QFile original(QFINDTESTDATA("fixtures/desk-calendar.ics"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(original.readAll());
        auto db = openSchedule();
        QVERIFY(IcsImport::run(*db, original.fileName(), QTimeZone::utc()).ok);
        // Marked by its byte-order mark, or known by the zero bytes of its first letters.
        QStringEncoder marked(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QStringEncoder unmarked(QStringConverter::Utf16BE);
        for (const QByteArray& utf16 : {QByteArray(marked.encode(text)), QByteArray(unmarked.encode(text))}) {
            ScheduleFolder other;
            auto fromUtf16 = other.openSchedule();
            const IcsImport::Result result =
                IcsImport::run(*fromUtf16, other.writeFile(utf16), QTimeZone::utc());
            QVERIFY2(result.ok, qPrintable(result.error));
            QCOMPARE(result.added, 4);
            for (size_t i = 0; i < 4; ++i)
                QCOMPARE(fromUtf16->table().entry(i), db->table().entry(i));
        }
    }

    void excludedStartsAndEmptyEvents_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("simplified");

        // 31 March 2024 is a Sunday.
        QTest::newRow("daily from the day after")
            << QByteArray("RRULE:FREQ=DAILY\nEXDATE:20240331T100000") << "04/01/2024"
            << "Everyday" << false;
        QTest::newRow("daily, its start given in UTC")
            << QByteArray("RRULE:FREQ=DAILY\nEXDATE:20240331T100000Z") << "04/01/2024"
            << "Everyday" << false;
        QTest::newRow("weekly: the next week, once")
            << QByteArray("RRULE:FREQ=WEEKLY\nEXDATE:20240331T100000,20240407T100000") << "04/14/2024"
            << "Recurring" << false;
        QTest::newRow("daily, a later day excluded too")
            << QByteArray("RRULE:FREQ=DAILY\nEXDATE:20240331T100000\nEXDATE:20240405T100000") << "04/01/2024"
            << "Recurring" << false;
        QTest::newRow("an extra date after an excluded start")
            << QByteArray("RDATE:20240402T100000\nEXDATE:20240331T100000") << "04/02/2024"
            << "OneTime" << false;
        QTest::newRow("an excluded all-day start")
            << QByteArray("RRULE:FREQ=YEARLY\nEXDATE;VALUE=DATE:20240331") << "03/31/2025"
            << "Yearly" << false;
    }

    void excludedStartsAndEmptyEvents()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, date);
        QFETCH(QString, kind);
        QFETCH(bool, simplified);
        auto db = openSchedule();
        const IcsImport::Result result =
            importText(*db, calendar("DTSTART:20240331T100000\nSUMMARY:x\n" + lines));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(db->table().text(0, ScheduleField::Date), date);
        QCOMPARE(db->table().text(0, ScheduleField::Kind), kind);
        QCOMPARE(result.simplified, simplified ? 1 : 0);
        // A rule none of the five kinds says is kept whole beside the entry, and only then.
        QCOMPARE(result.rulesKept, kind == QLatin1String("Recurring") ? 1 : 0);
        QCOMPARE(db->rules().contains(db->table().rowId(0)), kind == QLatin1String("Recurring"));
    }

    void aPlaceholderWithoutOccurrencesIsLeftOut()
    {
        auto db = openSchedule();
        for (const QByteArray& lines :
             {QByteArray("RDATE:20240331T100000\nEXDATE:20240331T100000"),
              QByteArray("EXDATE:20240331T100000"),
              QByteArray("RRULE:FREQ=DAILY;COUNT=2\nEXDATE:20240331T100000,20240401T100000")}) {
            const IcsImport::Result result = importText(*db, calendar("DTSTART:20240331T100000\n" + lines));
            QVERIFY(result.ok);
            QCOMPARE(result.added, 0);
            QCOMPARE(result.noOccurrence, 1);
        }
        QCOMPARE(db->table().size(), size_t(0));
    }

    void remindersSetTheAlarmTime_data()
    {
        QTest::addColumn<QByteArray>("alarms");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("alarm");

        const auto alarm = [](const QByteArray& lines) {
            return "BEGIN:VALARM\n" + lines + "\nEND:VALARM\n";
        };
        QTest::newRow("none") << QByteArray() << "03/10/2024"
                              << "10:00:00 AM"
                              << "off";
        QTest::newRow("at the start") << alarm("ACTION:DISPLAY\nTRIGGER:PT0S") << "03/10/2024"
                                      << "10:00:00 AM"
                                      << "on";
        QTest::newRow("a day and a half before") << alarm("ACTION:AUDIO\nTRIGGER:-P1DT12H") << "03/08/2024"
                                                 << "10:00:00 PM"
                                                 << "on";
        QTest::newRow("after the end") << alarm("ACTION:DISPLAY\nTRIGGER;RELATED=END:PT5M") << "03/10/2024"
                                       << "11:35:00 AM"
                                       << "on";
        QTest::newRow("at a moment of its own")
            << alarm("ACTION:DISPLAY\nTRIGGER;VALUE=DATE-TIME:20240310T084500Z") << "03/10/2024"
            << "08:45:00 AM"
            << "on";
        QTest::newRow("a mail only") << alarm("ACTION:EMAIL\nTRIGGER:-PT5M") << "03/10/2024"
                                     << "10:00:00 AM"
                                     << "off";
        QTest::newRow("the first display reminder counts")
            << alarm("ACTION:EMAIL\nTRIGGER:-PT1H") + alarm("ACTION:DISPLAY\nTRIGGER:-PT10M") +
                   alarm("ACTION:DISPLAY\nTRIGGER:-PT5M")
            << "03/10/2024"
            << "09:50:00 AM"
            << "on";
    }

    void remindersSetTheAlarmTime()
    {
        QFETCH(QByteArray, alarms);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, alarm);
        auto db = openSchedule();
        const IcsImport::Result result = importText(
            *db, calendar("DTSTART:20240310T100000Z\nDTEND:20240310T113000Z\nSUMMARY:x\n" + alarms));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(db->table().text(0, ScheduleField::Date), date);
        QCOMPARE(db->table().text(0, ScheduleField::AlarmTime), time);
        QCOMPARE(db->table().text(0, ScheduleField::AlarmOnOff), alarm);
    }

    void aMovedAlarmComesBackTheSameAfterAnExport()
    {
        auto db = openSchedule();
        QVERIFY(importText(*db, calendar("DTSTART:20240310T100000\nSUMMARY:x\nRRULE:FREQ=YEARLY\n"
                                         "BEGIN:VALARM\nACTION:DISPLAY\nTRIGGER:-PT15M\nEND:VALARM"))
                    .ok);
        const ScheduleEntry imported = db->table().entry(0);
        QCOMPARE(imported[ScheduleField::AlarmTime], QStringLiteral("09:45:00 AM"));
        const QString exported = m_folder.filePath(QStringLiteral("again.ics"));
        QVERIFY(IcsExport::write(db->table(), exported, QDateTime::currentDateTimeUtc()).ok);
        QFile::remove(schedulePath());
        auto fresh = openSchedule();
        const IcsImport::Result again = IcsImport::run(*fresh, exported, QTimeZone::utc());
        QCOMPARE(again.added, 1);
        QCOMPARE(again.alarmsMoved, 0);
        QCOMPARE(fresh->table().entry(0), imported);
    }

    void aFailedAllocationBecomesAMessage()
    {
        auto db = openSchedule();
        IcsImport::Options options;
        options.writer = [](ScheduleDatabase&, const std::vector<ScheduleEntry>&,
                            const std::vector<EventIdentity>&) -> StoreResult { throw std::bad_alloc(); };
        const IcsImport::Result result = IcsImport::run(
            *db, writeFile(calendar("DTSTART:20240310T100000\nSUMMARY:x")), QTimeZone::utc(), options);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QLatin1String("not enough memory")), qPrintable(result.error));
        QCOMPARE(db->table().size(), size_t(0));
    }

    void aSecondImportAddsNothing()
    {
        auto db = openSchedule();
        const QString file = QFINDTESTDATA("fixtures/desk-calendar.ics");
        QCOMPARE(IcsImport::run(*db, file, QTimeZone::utc()).added, 4);
        const IcsImport::Result again = IcsImport::run(*db, file, QTimeZone::utc());
        QVERIFY(again.ok);
        QCOMPARE(again.added, 0);
        QCOMPARE(again.present, 4);
        QCOMPARE(db->table().size(), size_t(4));

        // The same subject at another time, or of another kind, is another entry; twins in one file both
        // come in, as the schedule may hold two identical entries.
        const QByteArray twins = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//T//T//EN\n"
                                 "BEGIN:VEVENT\nUID:1\nDTSTAMP:20240101T000000Z\nDTSTART:20240102T081600Z\n"
                                 "SUMMARY:Stand-up\nEND:VEVENT\n"
                                 "BEGIN:VEVENT\nUID:2\nDTSTAMP:20240101T000000Z\nDTSTART:20240102T081600Z\n"
                                 "SUMMARY:Stand-up\nEND:VEVENT\n"
                                 "BEGIN:VEVENT\nUID:3\nDTSTAMP:20240101T000000Z\nDTSTART:20240102T081500Z\n"
                                 "SUMMARY:Stand-up\nEND:VEVENT\nEND:VCALENDAR\n";
        const IcsImport::Result more = importText(*db, twins);
        QCOMPARE(more.added, 3);
        QCOMPARE(importText(*db, twins).added, 0);
    }

    void emptyTextsGetPlaceholdersAndLongTextsAreCut()
    {
        auto db = openSchedule();
        const QByteArray longNote = "DESCRIPTION:" + QByteArray(240, 'n') + "ééééééééééééé";
        QVERIFY(importText(*db, calendar("DTSTART:20240310T100000\nSUMMARY:   \nDESCRIPTION:  ")).ok);
        // Another event than the first, by its UID.
        const IcsImport::Result cut = importText(*db, calendar("DTSTART:20240310T100000\nSUMMARY:Line one\\n"
                                                               "line two\n" +
                                                               longNote)
                                                          .replace("UID:x@test", "UID:y@test"));
        QCOMPARE(cut.notesCut, 1);
        const ScheduleTable& table = db->table();
        QCOMPARE(table.text(0, ScheduleField::Subject), EventToEntry::NoSubject);
        QCOMPARE(table.text(0, ScheduleField::Note), EventToEntry::NoNote);
        QCOMPARE(table.text(1, ScheduleField::Subject), QStringLiteral("Line one line two"));
        QCOMPARE(table.text(1, ScheduleField::Note), QString(240, u'n') + QString(10, QChar(0xE9)));
    }

    void aBusyScheduleTakesNothing()
    {
        auto db = openSchedule();
        OtherConnection other(schedulePath());
        QCOMPARE(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
        const IcsImport::Result result = importText(*db, calendar("DTSTART:20240310T100000\nSUMMARY:x"));
        QVERIFY(!result.ok);
        QCOMPARE(result.line, 0);
        QVERIFY2(result.error.contains(QLatin1String("in use by another program")), qPrintable(result.error));
        QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
        QCOMPARE(db->table().size(), size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestIcsImport)
#include "TestIcsImport.moc"
