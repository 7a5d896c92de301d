#include "store/ScheduleTable.h"
#include "sync/EventForm.h"

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
