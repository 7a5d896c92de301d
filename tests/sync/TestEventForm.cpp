#include "exchange/IcalHandles.h"
#include "store/DateText.h"
#include "store/EntryIdentities.h"
#include "store/ScheduleTable.h"
#include "sync/EventForm.h"

#include <QRegularExpression>
#include <QTest>

// What an edit of an entry writes into the server's event: only what the edit changed, nothing the
// entry does not show is lost, and an edit that would narrow a richer event is not written at all.
class TestEventForm : public QObject
{
    Q_OBJECT

private:
    const QTimeZone m_local = QTimeZone::systemTimeZone();
    const QDateTime m_stamp = QDateTime(QDate(2026, 5, 1), QTime(8, 0), Qt::UTC);

    static QByteArray calendar(const QByteArray& inside)
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//other//EN\r\nBEGIN:VEVENT\r\nUID:e-1\r\n"
               "DTSTAMP:20260101T000000Z\r\nDTSTART:20260504T093000\r\nDTEND:20260504T110000\r\n"
               "SUMMARY:Review\r\nLOCATION:Room 4\r\nATTENDEE:mailto:bo@example.org\r\n"
               "X-OTHER-APP:kept\r\n" +
               inside + "END:VEVENT\r\nEND:VCALENDAR\r\n";
    }

    static QString unfolded(const QByteArray& data)
    {
        return QString::fromUtf8(data).remove(QStringLiteral("\r\n ")).remove(QStringLiteral("\n "));
    }

    // The line of a property in the event (not in its VTIMEZONE), without its line end.
    static QString line(const QString& text, const QString& name)
    {
        const qsizetype event = text.indexOf(QStringLiteral("BEGIN:VEVENT"));
        const QRegularExpression property(QStringLiteral("\r\n(%1[;:][^\r\n]*)").arg(name));
        return property.match(text, event).captured(1);
    }

    static ScheduleEntry entryAt(const char* date, const char* time, const char* kind = "OneTime")
    {
        return ScheduleEntry::make(QString::fromLatin1(date), QStringLiteral("Monday"), QStringLiteral("Dentist"),
                                   QStringLiteral("Bring the card"), QString::fromLatin1(time),
                                   QStringLiteral("on"), QString::fromLatin1(kind));
    }

    static QByteArray zoned(const QByteArray& inside)
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//other//EN\r\n"
               "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n"
               "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nTZNAME:EDT\r\n"
               "DTSTART:19700308T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nEND:DAYLIGHT\r\n"
               "BEGIN:STANDARD\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nTZNAME:EST\r\n"
               "DTSTART:19701101T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nEND:STANDARD\r\n"
               "END:VTIMEZONE\r\nBEGIN:VEVENT\r\nUID:z-1\r\nDTSTAMP:20260101T000000Z\r\nSUMMARY:Call\r\n" +
               inside + "END:VEVENT\r\nEND:VCALENDAR\r\n";
    }

private slots:
    void anEditChangesOnlyWhatItChanged()
    {
        const QByteArray server = calendar({});
        const EventForm::Incoming before = EventForm::read(server, m_local);
        QVERIFY(before.held);
        QCOMPARE(before.form, SyncLedger::Form::Whole);
        QCOMPARE(EventForm::patched(server, before.entry, m_local, m_stamp).outcome,
                 EventForm::Written::Unchanged);

        ScheduleEntry now = before.entry;
        now[ScheduleField::Subject] = QStringLiteral("Review, moved");
        now[ScheduleField::Date] = QStringLiteral("05/06/2026");
        now[ScheduleField::AlarmTime] = QStringLiteral("02:00:00 PM");
        const EventForm::Patch patch = EventForm::patched(server, now, m_local, m_stamp);
        QCOMPARE(patch.outcome, EventForm::Written::Patched);
        const QString text = unfolded(patch.data);
        QVERIFY2(text.contains(QStringLiteral("SUMMARY:Review\\, moved")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("DTSTART:20260506T140000")));
        QVERIFY(text.contains(QStringLiteral("DTEND:20260506T153000"))); // the length stays
        QVERIFY(text.contains(QStringLiteral("LOCATION:Room 4")));
        QVERIFY(text.contains(QStringLiteral("ATTENDEE:mailto:bo@example.org")));
        QVERIFY(text.contains(QStringLiteral("X-OTHER-APP:kept")));
        QVERIFY(text.contains(QStringLiteral("UID:e-1")));
        // What the server gets back reads as the edited entry.
        const EventForm::Incoming after = EventForm::read(patch.data, m_local);
        QCOMPARE(after.entry[ScheduleField::Subject], QStringLiteral("Review, moved"));
        QCOMPARE(after.entry[ScheduleField::Date], QStringLiteral("05/06/2026"));
        QCOMPARE(after.entry[ScheduleField::AlarmTime], QStringLiteral("02:00:00 PM"));
    }

    void aNarrowedEventTakesTextsButNeverAStartOrRule()
    {
        // A rule with exceptions is kept whole beside its entry, the server's object as it came.
        const QByteArray excepted = calendar("RRULE:FREQ=WEEKLY;BYDAY=MO,WE\r\nEXDATE:20260511T093000\r\n");
        const EventForm::Incoming kept = EventForm::read(excepted, m_local);
        QCOMPARE(kept.form, SyncLedger::Form::Whole);
        QCOMPARE(kept.rule, excepted);
        QCOMPARE(kept.entry[ScheduleField::Kind], QStringLiteral("Recurring"));

        // Two rules at once are still narrowed to the entry's kind.
        const QByteArray weekly = calendar("RRULE:FREQ=WEEKLY;BYDAY=MO,WE\r\nRRULE:FREQ=MONTHLY;BYDAY=1TU\r\n");
        const EventForm::Incoming before = EventForm::read(weekly, m_local);
        QVERIFY(before.held);
        QCOMPARE(before.form, SyncLedger::Form::Simplified);
        QVERIFY(before.rule.isNull());

        ScheduleEntry now = before.entry;
        now[ScheduleField::Note] = QStringLiteral("Agenda first");
        EventForm::Patch patch = EventForm::patched(weekly, now, m_local, m_stamp);
        QCOMPARE(patch.outcome, EventForm::Written::Patched);
        const QString text = unfolded(patch.data);
        QVERIFY(text.contains(QStringLiteral("DESCRIPTION:Agenda first")));
        QVERIFY(text.contains(QStringLiteral("RRULE:FREQ=WEEKLY;BYDAY=MO,WE")));
        QVERIFY(text.contains(QStringLiteral("RRULE:FREQ=MONTHLY;BYDAY=1TU")));

        now[ScheduleField::Date] = QStringLiteral("05/05/2026");
        QCOMPARE(EventForm::patched(weekly, now, m_local, m_stamp).outcome, EventForm::Written::KeptHere);
        now = before.entry;
        now[ScheduleField::AlarmOnOff] = before.entry[ScheduleField::AlarmOnOff] == QLatin1String("on")
                                             ? QStringLiteral("off")
                                             : QStringLiteral("on");
        QCOMPARE(EventForm::patched(weekly, now, m_local, m_stamp).outcome, EventForm::Written::KeptHere);
    }

    void aReminderIsSwitchedOnAndOff()
    {
        const QByteArray server = calendar({});
        ScheduleEntry now = EventForm::read(server, m_local).entry;
        QCOMPARE(now[ScheduleField::AlarmOnOff], QStringLiteral("off"));
        now[ScheduleField::AlarmOnOff] = QStringLiteral("on");
        const EventForm::Patch on = EventForm::patched(server, now, m_local, m_stamp);
        QVERIFY(on.data.contains("BEGIN:VALARM"));
        QCOMPARE(EventForm::read(on.data, m_local).entry[ScheduleField::AlarmOnOff], QStringLiteral("on"));
        now[ScheduleField::AlarmOnOff] = QStringLiteral("off");
        QVERIFY(!EventForm::patched(on.data, now, m_local, m_stamp).data.contains("BEGIN:VALARM"));
    }

    void anEventTheScheduleCannotHoldIsLeftAlone()
    {
        const QByteArray noStart =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x\r\nSUMMARY:No day\r\n"
            "END:VEVENT\r\nEND:VCALENDAR\r\n";
        QVERIFY(!EventForm::read(noStart, m_local).held);
        QVERIFY(!EventForm::read("not a calendar", m_local).held);
    }

    void aNewEventNamesTheLocalZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("Berlin in summer") << QByteArray("Europe/Berlin") << "05/04/2026" << "09:30:00 AM"
                                          << "DTSTART;TZID=Europe/Berlin:20260504T093000"
                                          << "DTEND;TZID=Europe/Berlin:20260504T094500";
        QTest::newRow("New York in winter") << QByteArray("America/New_York") << "01/15/2026" << "03:00:00 PM"
                                            << "DTSTART;TZID=America/New_York:20260115T150000"
                                            << "DTEND;TZID=America/New_York:20260115T151500";
        QTest::newRow("late in the day ends at midnight")
            << QByteArray("America/New_York") << "03/07/2026" << "11:50:00 PM"
            << "DTSTART;TZID=America/New_York:20260307T235000" << "DTEND;TZID=America/New_York:20260308T000000";
        QTest::newRow("UTC") << QByteArray("UTC") << "05/04/2026" << "09:30:00 AM" << "DTSTART:20260504T093000Z"
                             << "DTEND:20260504T094500Z";
    }

    // Another device in another zone must see the entry at the same moment: the times name the zone and
    // the calendar describes it; the event has a length, which every server takes.
    void aNewEventNamesTheLocalZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, date);
        QFETCH(QString, time);
        const QTimeZone local(zone);
        ScheduleTable table;
        table.append(1, entryAt(date.toLatin1(), time.toLatin1()));
        EntryIdentities identities;
        identities.append(1);
        const QByteArray data = EventForm::newEvent(table, 0, identities, m_stamp, local);
        const QString text = unfolded(data);
        QTEST(line(text, QStringLiteral("DTSTART")), "start");
        QTEST(line(text, QStringLiteral("DTEND")), "end");
        QCOMPARE(text.contains(QStringLiteral("TZID:") + QString::fromLatin1(zone)), zone != "UTC");

        const EventForm::Incoming here = EventForm::read(data, local);
        QCOMPARE(here.form, SyncLedger::Form::Whole);
        QCOMPARE(here.entry[ScheduleField::Date], date);
        QCOMPARE(here.entry[ScheduleField::AlarmTime], time);
        // Read in Tokyo, by the zone the calendar describes.
        const QTimeZone tokyo("Asia/Tokyo");
        const QDateTime there =
            QDateTime(*DateText::readDate(date), *DateText::readTime(time), local).toTimeZone(tokyo);
        const EventForm::Incoming away = EventForm::read(data, tokyo);
        QCOMPARE(away.entry[ScheduleField::Date], DateText::mmddyyyy(there.date()));
        QCOMPARE(away.entry[ScheduleField::AlarmTime], DateText::timeText(there.time()));
    }

    void aTimeEditKeepsTheEventsZone_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        // Moved here to 05/06/2026 at a local time; each event was 90 minutes long.
        QTest::newRow("a zone the calendar describes")
            << zoned("DTSTART;TZID=America/New_York:20260504T090000\r\n"
                     "DTEND;TZID=America/New_York:20260504T103000\r\n")
            << QByteArray("Europe/Berlin") << "OneTime" << "03:00:00 PM" << "DTSTART;TZID=America/New_York:20260506T090000"
            << "DTEND;TZID=America/New_York:20260506T103000";
        QTest::newRow("a zone the system knows by name")
            << calendar("").replace("DTSTART:20260504T093000\r\nDTEND:20260504T110000",
                                    "DTSTART;TZID=America/New_York:20260504T093000\r\n"
                                    "DTEND;TZID=America/New_York:20260504T110000")
            << QByteArray("America/New_York") << "OneTime" << "03:00:00 PM" << "DTSTART;TZID=America/New_York:20260506T150000"
            << "DTEND;TZID=America/New_York:20260506T163000";
        QTest::newRow("UTC")
            << calendar("").replace("DTSTART:20260504T093000\r\nDTEND:20260504T110000",
                                    "DTSTART:20260504T073000Z\r\nDTEND:20260504T090000Z")
            << QByteArray("Europe/Berlin") << "OneTime" << "03:00:00 PM" << "DTSTART:20260506T130000Z" << "DTEND:20260506T143000Z";
        QTest::newRow("floating") << calendar("") << QByteArray("Europe/Berlin") << "OneTime" << "03:00:00 PM"
                                  << "DTSTART:20260506T150000" << "DTEND:20260506T163000";
        // In New York, 10:00 AM in Tokyo is the day before: a weekday rule there would pick the wrong days.
        QTest::newRow("weekdays on another day there")
            << zoned("DTSTART;TZID=America/New_York:20260504T090000\r\n"
                     "DTEND;TZID=America/New_York:20260504T103000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR\r\n")
            << QByteArray("Asia/Tokyo") << "Monday to Friday" << "10:00:00 AM"
            << "DTSTART;TZID=Asia/Tokyo:20260506T100000" << "DTEND;TZID=Asia/Tokyo:20260506T113000";
    }

    void aTimeEditKeepsTheEventsZone()
    {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, local);
        QFETCH(QString, kind);
        QFETCH(QString, time);
        const QTimeZone zone(local);
        const EventForm::Incoming before = EventForm::read(server, zone);
        QVERIFY(before.held);
        QVERIFY(!before.timingNarrowed);
        ScheduleEntry now = before.entry;
        QCOMPARE(now[ScheduleField::Kind].toUpper(), kind.toUpper());
        now[ScheduleField::Date] = QStringLiteral("05/06/2026");
        now[ScheduleField::AlarmTime] = time;
        const EventForm::Patch patch = EventForm::patched(server, now, zone, m_stamp);
        QCOMPARE(patch.outcome, EventForm::Written::Patched);
        const QString text = unfolded(patch.data);
        QTEST(line(text, QStringLiteral("DTSTART")), "start");
        QTEST(line(text, QStringLiteral("DTEND")), "end");
        const EventForm::Incoming after = EventForm::read(patch.data, zone);
        QCOMPARE(after.entry[ScheduleField::Date], now[ScheduleField::Date]);
        QCOMPARE(after.entry[ScheduleField::AlarmTime], now[ScheduleField::AlarmTime]);
        QCOMPARE(after.entry[ScheduleField::Kind], now[ScheduleField::Kind]);
    }

    void anEditKeepsTheTextTheEntryDidNotShow_data()
    {
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("now");
        QTest::addColumn<bool>("joinedLines");
        QTest::addColumn<QString>("written");
        const QString tail = QStringLiteral(" and the rest nobody saw here.");
        QTest::newRow("a whole text is replaced") << "Bring the card" << "Bring the card" << "Bring cake" << false
                                                  << "Bring cake";
        QTest::newRow("a new head keeps the tail")
            << "Head of a long text" + tail << "Head of a long text" << "New words" << false << "New words" + tail;
        QTest::newRow("a word changed in the head") << "Agenda: one, two" + tail << "Agenda: one, two"
                                                    << "Agenda: one, three" << false << "Agenda: one, three" + tail;
        QTest::newRow("added at the end of the head goes where the cut was")
            << "Part one" + tail << "Part one" << "Part one!" << false << "Part one!" + tail;
        QTest::newRow("line breaks the editor rewrote stay as the server wrote them")
            << "First\r\nsecond\r\nthird" + tail << "First\r\nsecond\r\nthird" << "First\nsecond\nTHIRD"
            << false << "First\r\nsecond\r\nTHIRD" + tail;
        QTest::newRow("a subject shown on one line")
            << "Line one\nline two" + tail << "Line one line two" << "Line one line 2" << true
            << "Line one\nline 2" + tail;
        QTest::newRow("a placeholder is no view of the text")
            << QString() << "(no note)" << "Written here" << false << "Written here";
        QTest::newRow("a text emptied keeps the tail") << "Gone" + tail << "Gone" << QString() << false << tail;
    }

    void anEditKeepsTheTextTheEntryDidNotShow()
    {
        QFETCH(QString, full);
        QFETCH(QString, shown);
        QFETCH(QString, now);
        QFETCH(bool, joinedLines);
        QTEST(EventForm::editedText(full, shown, now, joinedLines), "written");
    }

    // A note edit on an event whose description is far longer than the note field: every character the
    // entry did not show comes back from the server's own text.
    void aNoteEditOfALongDescriptionKeepsItsTail()
    {
        QString description;
        for (int i = 0; description.size() < 3298; ++i)
            description += QStringLiteral("Paragraph %1 of the minutes, with its details.\n").arg(i);
        description.truncate(3298);
        QByteArray escaped = description.toUtf8();
        escaped.replace(",", "\\,").replace("\n", "\\n");
        const QByteArray server = calendar("DESCRIPTION:" + escaped + "\r\n");
        const EventForm::Incoming before = EventForm::read(server, m_local);
        QCOMPARE(before.entry[ScheduleField::Note].size(), 250);
        QVERIFY(!before.timingNarrowed);

        ScheduleEntry now = before.entry;
        now[ScheduleField::Note] = QStringLiteral("Read first. ") + before.entry[ScheduleField::Note];
        now[ScheduleField::AlarmTime] = QStringLiteral("10:00:00 AM"); // a long text never holds back a move
        const EventForm::Patch patch = EventForm::patched(server, now, m_local, m_stamp);
        QCOMPARE(patch.outcome, EventForm::Written::Patched);
        Ical::Component written(icalparser_parse_string(patch.data.constData()));
        icalcomponent* event = icalcomponent_get_first_component(written.get(), ICAL_VEVENT_COMPONENT);
        QCOMPARE(QString::fromUtf8(icalcomponent_get_description(event)), "Read first. " + description);
        QCOMPARE(EventForm::read(patch.data, m_local).entry[ScheduleField::AlarmTime], now[ScheduleField::AlarmTime]);
    }

    void whyAnEventCannotBeHeldIsSaid_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a path for a zone")
            << calendar("").replace("DTSTART:20260504T093000", "DTSTART;TZID=../../etc/passwd:20260504T093000")
            << "\"Review\": its time zone \"../../etc/passwd\" is no zone name";
        QTest::newRow("no calendar") << QByteArray("not a calendar") << "";
        QTest::newRow("no event") << QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n")
                                  << "it holds no event";
    }

    void whyAnEventCannotBeHeldIsSaid()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        const EventForm::Incoming incoming = EventForm::read(data, m_local);
        QVERIFY(!incoming.held);
        QVERIFY2(!incoming.reason.isEmpty() && incoming.reason.startsWith(reason), qPrintable(incoming.reason));
        QVERIFY(!incoming.reason.startsWith(QStringLiteral("line ")));
    }

    void theConflictCopyFitsItsField()
    {
        ScheduleEntry entry = ScheduleEntry::make(
            QStringLiteral("05/04/2026"), QStringLiteral("Monday"), QString(50, u'x'), QStringLiteral("n"),
            QStringLiteral("09:00:00 AM"), QStringLiteral("on"), QStringLiteral("OneTime"));
        const ScheduleEntry copy = EventForm::conflictCopy(entry);
        QVERIFY(copy[ScheduleField::Subject].endsWith(QStringLiteral(" (conflict)")));
        QCOMPARE(characterCount(copy[ScheduleField::Subject]), 50);
        QVERIFY(validationError(copy).isEmpty());
        QCOMPARE(copy[ScheduleField::Note], entry[ScheduleField::Note]);
        QVERIFY(EventForm::digest(copy) != EventForm::digest(entry));
    }
};

QTEST_GUILESS_MAIN(TestEventForm)
#include "TestEventForm.moc"
