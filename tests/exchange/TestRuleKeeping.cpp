#include "exchange/IcsExport.h"
#include "exchange/IcsImport.h"
#include "occurrence/RecurringEvent.h"
#include "store/RuleFile.h"
#include "store/ScheduleDatabase.h"
#include "support/OtherConnection.h"
#include "support/ScheduleFolder.h"

#include <QBuffer>
#include <QTest>

// A calendar's recurring events kept whole through the schedule: imported with their rules, their zones
// and their changed occurrences, written back as they came, and the kept rule gone with its entry.
namespace {

// Choir every Saturday in Berlin with an extra and an excluded date, one occurrence moved and one
// cancelled, and a changed occurrence of a series the file does not hold.
const QByteArray Calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
                            "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"
                            "BEGIN:STANDARD\r\nDTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                            "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\n"
                            "BEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
                            "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
                            "BEGIN:VEVENT\r\nUID:choir-1\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Choir\r\n"
                            "DTSTART;TZID=Europe/Berlin:20250104T100000\r\nDTEND;TZID=Europe/Berlin:20250104T120000\r\n"
                            "RRULE:FREQ=WEEKLY;BYDAY=SA;UNTIL=20250301T090000Z\r\n"
                            "RDATE;TZID=Europe/Berlin:20250106T190000\r\nEXDATE;TZID=Europe/Berlin:20250118T100000\r\n"
                            "END:VEVENT\r\n"
                            "BEGIN:VEVENT\r\nUID:choir-1\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Choir in the church\r\n"
                            "RECURRENCE-ID;TZID=Europe/Berlin:20250125T100000\r\n"
                            "DTSTART;TZID=Europe/Berlin:20250126T170000\r\nDTEND;TZID=Europe/Berlin:20250126T190000\r\n"
                            "END:VEVENT\r\n"
                            "BEGIN:VEVENT\r\nUID:choir-1\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Choir\r\n"
                            "RECURRENCE-ID;TZID=Europe/Berlin:20250201T100000\r\nSTATUS:CANCELLED\r\n"
                            "DTSTART;TZID=Europe/Berlin:20250201T100000\r\nEND:VEVENT\r\n"
                            "BEGIN:VEVENT\r\nUID:lost-series\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Dentist, moved\r\n"
                            "RECURRENCE-ID:20250310T080000Z\r\nDTSTART:20250311T080000Z\r\nEND:VEVENT\r\n"
                            "END:VCALENDAR\r\n";

QStringList startsOf(const QByteArray& text)
{
    QStringList starts;
    const auto event = RecurringEvent::read(text);
    if (!event)
        return {QStringLiteral("unreadable")};
    for (const Occurrence& o : event->onDays(QDate(2025, 1, 1), QDate(2025, 12, 31)))
        starts << o.start.toUTC().toString(Qt::ISODate) + u' ' + o.subject;
    return starts;
}

// Another program's change of an entry's kind text.
bool kindSetElsewhere(const QString& path, qint64 row, const char* kind)
{
    OtherConnection other(path);
    const QByteArray sql = QByteArray("UPDATE Schedule SET SchedType = '") + kind + "' WHERE rowid = " +
                           QByteArray::number(row);
    return other.exec(sql.constData()) == 0;
}

} // namespace

class TestRuleKeeping : public QObject
{
    Q_OBJECT

private slots:
    void aSeriesComesInWholeAndGoesOutAsItCame()
    {
        ScheduleFolder folder;
        auto db = folder.openSchedule();
        QVERIFY(db);
        const IcsImport::Result result = IcsImport::run(*db, folder.writeFile(Calendar), QTimeZone("Europe/Berlin"));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.added, 2);
        QCOMPARE(result.rulesKept, 1);
        QCOMPARE(result.changedOccurrences, 2); // the two of the series; the third came in on its own
        QCOMPARE(result.simplified, 0);

        const ScheduleTable& table = db->table();
        QCOMPARE(table.text(0, ScheduleField::Kind), QString::fromLatin1(RuleFile::RecurringKind));
        QCOMPARE(table.text(0, ScheduleField::Date), QStringLiteral("01/04/2025"));
        QCOMPARE(table.text(0, ScheduleField::AlarmTime), QStringLiteral("10:00:00 AM"));
        // The changed occurrence whose series is missing is an entry of its own, once, at its new time.
        QCOMPARE(table.text(1, ScheduleField::Kind), QStringLiteral("OneTime"));
        QCOMPARE(table.text(1, ScheduleField::Date), QStringLiteral("03/11/2025"));
        QCOMPARE(table.text(1, ScheduleField::Subject), QStringLiteral("Dentist, moved"));
        QCOMPARE(db->rules().size(), 1);
        const QByteArray kept = db->rules().value(table.rowId(0));

        // Written back: the same rule, dates and zone, the changed occurrences as events of their own.
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        const QDateTime stamp(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::utc());
        QVERIFY(IcsExport::write(table, out, stamp, nullptr, &db->identities(), &db->rules()).ok);
        const QByteArray text = out.data();
        for (const char* line : {"RRULE:FREQ=WEEKLY;UNTIL=20250301T090000Z;BYDAY=SA",
                                 "RDATE;TZID=Europe/Berlin:20250106T190000", "EXDATE;TZID=Europe/Berlin:20250118T100000",
                                 "DTSTART;TZID=Europe/Berlin:20250104T100000", "RECURRENCE-ID;TZID=Europe/Berlin:20250125T100000",
                                 "STATUS:CANCELLED", "BEGIN:VTIMEZONE", "UID:choir-1"})
            QVERIFY2(text.contains(line), line);
        QCOMPARE(text.count("BEGIN:VTIMEZONE"), 1);
        QCOMPARE(text.count("UID:choir-1"), 3);
        // Read back, the export has the occurrences the file had.
        QCOMPARE(startsOf(text), startsOf(Calendar));
        QCOMPARE(startsOf(kept), startsOf(Calendar));
        const QStringList starts = startsOf(kept);
        QVERIFY(starts.contains(QStringLiteral("2025-01-26T16:00:00Z Choir in the church")));
        QVERIFY(!starts.contains(QStringLiteral("2025-02-01T09:00:00Z Choir")));
        QVERIFY(!starts.contains(QStringLiteral("2025-01-18T09:00:00Z Choir")));
        QVERIFY(starts.contains(QStringLiteral("2025-01-06T18:00:00Z Choir")));

        // The same file again changes nothing.
        const IcsImport::Result again = IcsImport::run(*db, folder.writeFile(Calendar), QTimeZone("Europe/Berlin"));
        QCOMPARE(again.added, 1); // the lone changed occurrence has no identity to be known by
        QCOMPARE(again.present, 1);
    }

    // The kept rule lives as long as its entry says it recurs: through a restart and an edit of its texts,
    // not through a change to one of the five kinds or a delete, and not for a row another program gave
    // another kind.
    void theRuleGoesWithItsEntry()
    {
        ScheduleFolder folder;
        qint64 row = 0;
        {
            auto db = folder.openSchedule();
            QVERIFY(IcsImport::run(*db, folder.writeFile(Calendar), QTimeZone("Europe/Berlin")).ok);
            row = db->table().rowId(0);
        }
        auto db = folder.openSchedule();
        QVERIFY(db->rules().contains(row));
        ScheduleEntry edited = db->table().entry(0);
        edited[ScheduleField::Subject] = QStringLiteral("Choir practice");
        QVERIFY(db->update(row, edited));
        QVERIFY(db->rules().contains(row));

        QVERIFY(kindSetElsewhere(folder.schedulePath(), row, "Monthly"));
        QVERIFY(!db->rules().contains(row));
        QVERIFY(kindSetElsewhere(folder.schedulePath(), row, "Recurring"));
        QVERIFY(db->rules().contains(row));

        edited = db->table().entry(0);
        edited[ScheduleField::Kind] = QStringLiteral("Yearly");
        QVERIFY(db->update(row, edited));
        QVERIFY(!db->rules().contains(row));
        auto reopened = folder.openSchedule();
        QVERIFY(!reopened->rules().contains(row));

        QVERIFY(db->setRule(row, Calendar));
        edited[ScheduleField::Kind] = QString::fromLatin1(RuleFile::RecurringKind);
        QVERIFY(db->update(row, edited));
        QVERIFY(db->rules().contains(row));
        QVERIFY(db->remove(row));
        QVERIFY(db->rules().isEmpty());
        reopened = folder.openSchedule();
        QVERIFY(reopened->rules().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRuleKeeping)
#include "TestRuleKeeping.moc"
