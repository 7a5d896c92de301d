#include "exchange/EventToEntry.h"
#include "exchange/IcalHandles.h"
#include "exchange/IcsExport.h"
#include "exchange/IcsImport.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

ScheduleEntry entry(const QString& date, const QString& subject, const QString& kind,
                    const QString& onOff = QStringLiteral("off"),
                    const QString& note = QStringLiteral("note"),
                    const QString& time = QStringLiteral("10:30:00 AM"))
{
    return ScheduleEntry::make(date, QStringLiteral("Monday"), subject, note, time, onOff, kind);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The events of an exported file by subject, as libical reads them back.
std::map<QString, QByteArray> eventsBySubject(const QByteArray& text)
{
    std::map<QString, QByteArray> events;
    Ical::Component calendar(icalparser_parse_string(text.constData()));
    for (icalcomponent* e = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT))
        events[QString::fromUtf8(icalcomponent_get_summary(e))] = icalcomponent_as_ical_string(e);
    return events;
}

} // namespace

// The schedule written as an iCalendar file, and read back.
class TestIcsExport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    const QDateTime m_stamp{QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc()};

    std::unique_ptr<ScheduleDatabase> openSchedule(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        ScheduleDatabase::CreateDatabaseFile(path);
        QString error;
        auto database = ScheduleDatabase::open(path, &error);
        if (!database)
            qWarning() << error;
        return database;
    }

    QString newFile() { return m_dir.filePath(QStringLiteral("export-%1.ics").arg(++m_files)); }

private slots:
    void everyKindIsWrittenWithItsRule()
    {
        auto db = openSchedule(QStringLiteral("kinds.vmr"));
        QVERIFY(db->appendAll(
            {entry("03/07/2003", "once", "Onetime", "on"), entry("03/07/2003", "yearly", "Yearly"),
             entry("03/31/2003", "monthly", "Monthly"), entry("03/07/2003", "daily", "EVERYDAY"),
             entry("03/07/2003", "weekdays", "Monday to Friday"),
             entry("03/07/2003", "odd kind", "Fortnightly"), entry("31/31/2003", "no date", "OneTime"),
             entry("03/07/2003", "no time", "OneTime", "on", "note", "soon")}));
        const QString path = newFile();
        const IcsExport::Result result =
            IcsExport::write(db->table(), path, m_stamp, nullptr, nullptr, nullptr, QTimeZone("Europe/Berlin"));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.written, 5);
        QCOMPARE(result.unreadable, 2);
        QCOMPARE(result.unknownKind, 1);

        const QByteArray text = contents(path);
        QVERIFY(text.startsWith("BEGIN:VCALENDAR\r\n"));
        QVERIFY(text.endsWith("END:VCALENDAR\r\n"));
        auto events = eventsBySubject(text);
        QCOMPARE(events.size(), size_t(5));
        // Times in the local zone, described once for the whole file; a quarter of an hour long.
        QVERIFY(events["once"].contains("DTSTART;TZID=Europe/Berlin:20030307T103000\r\n"));
        QVERIFY(events["once"].contains("DTEND;TZID=Europe/Berlin:20030307T104500\r\n"));
        QCOMPARE(text.count("BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"), 1);
        QVERIFY(!events["once"].contains("RRULE"));
        QVERIFY(events["once"].contains("BEGIN:VALARM\r\nACTION:DISPLAY"));
        QVERIFY(events["once"].contains("TRIGGER:PT0S"));
        QVERIFY(!events["yearly"].contains("VALARM"));
        QVERIFY(events["yearly"].contains("RRULE:FREQ=YEARLY\r\n"));
        QVERIFY(events["daily"].contains("RRULE:FREQ=DAILY\r\n"));
        QVERIFY(events["weekdays"].contains("RRULE:FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR\r\n"));
        // A monthly entry recurs in every month of every year: the open rule, with no end and no extra dates.
        QVERIFY(events["monthly"].contains("RRULE:FREQ=MONTHLY\r\n"));
        QVERIFY(!events["monthly"].contains("RDATE"));
        for (const auto& [subject, event] : events) {
            QVERIFY2(event.contains("DTSTAMP:20261207T120000Z"), qPrintable(subject));
            QVERIFY2(event.contains("DESCRIPTION:note"), qPrintable(subject));
        }
    }

    void uidsStayTheSameAcrossExports()
    {
        auto db = openSchedule(QStringLiteral("uids.vmr"));
        QVERIFY(
            db->appendAll({entry("03/07/2003", "twin", "OneTime"), entry("03/07/2003", "twin", "OneTime")}));
        const QRegularExpression uid(QStringLiteral("UID:(\\S+)"));
        const auto uidsOf = [&](const QDateTime& stamp) {
            const QString path = newFile();
            IcsExport::write(db->table(), path, stamp);
            QStringList uids;
            for (const auto& match : uid.globalMatch(QString::fromUtf8(contents(path))))
                uids << match.captured(1);
            return uids;
        };
        const QStringList first = uidsOf(m_stamp);
        QCOMPARE(first.size(), 2);
        QVERIFY(first[0] != first[1]); // identical texts, but two entries
        QCOMPARE(uidsOf(m_stamp.addDays(30)), first);

        // Another text is another entry to a calendar that takes the file.
        QVERIFY(db->update(db->table().rowId(1), entry("03/07/2003", "twin, moved", "OneTime")));
        const QStringList changed = uidsOf(m_stamp);
        QCOMPARE(changed[0], first[0]);
        QVERIFY(changed[1] != first[1]);
    }

    void anExistingFileIsNeverReplaced()
    {
        auto db = openSchedule(QStringLiteral("existing.vmr"));
        QVERIFY(db->append(entry("03/07/2003", "once", "OneTime")));
        const QString path = newFile();
        QFile other(path);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("someone else's file");
        other.close();
        const IcsExport::Result result = IcsExport::write(db->table(), path, m_stamp);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QLatin1String("already exists")), qPrintable(result.error));
        QCOMPARE(contents(path), QByteArray("someone else's file"));

        const IcsExport::Result nowhere =
            IcsExport::write(db->table(), m_dir.filePath(QStringLiteral("no/such/folder.ics")), m_stamp);
        QVERIFY(!nowhere.ok);
        QVERIFY2(nowhere.error.contains(QLatin1String("could not be written")), qPrintable(nowhere.error));
    }

    void aRoundTripGivesTheSameEntries()
    {
        const QString longNote = QStringLiteral("A note long enough to be folded by the writer, with commas, "
                                                "semicolons; backslashes \\ and\na second line: ü ß 漢字 🎉");
        const std::vector<ScheduleEntry> original = {
            entry("03/07/2003", "Dentist, Dr. Ünal; room 2", "OneTime", "on", longNote, "02:05:09 PM"),
            entry("02/29/2004", "Leap birthday", "Yearly", "off", "cake", "12:00:00 AM"),
            entry("08/31/2025", "Rent", "Monthly", "on", "transfer", "09:00:00 AM"),
            entry("01/01/2024", "Pills", "Everyday", "on", "two", "07:30:00 AM"),
            entry("06/03/2024", "Stand-up", "Monday to Friday", "off", "team", "11:59:59 PM"),
        };
        auto source = openSchedule(QStringLiteral("source.vmr"));
        QVERIFY(source->appendAll(original));
        const QString path = newFile();
        QVERIFY(IcsExport::write(source->table(), path, m_stamp).ok);

        auto target = openSchedule(QStringLiteral("target.vmr"));
        const IcsImport::Result result = IcsImport::run(*target, path, QTimeZone::systemTimeZone());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.added, qint64(original.size()));
        QCOMPARE(result.simplified, 0);
        QCOMPARE(target->table().size(), original.size());
        for (size_t i = 0; i < original.size(); ++i) {
            ScheduleEntry expected = original[i];
            const QDate date = *DateText::readDate(expected[ScheduleField::Date]);
            expected[ScheduleField::Day] = DateText::dddd(date);
            QCOMPARE(target->table().entry(i), expected);
        }
        QCOMPARE(IcsImport::run(*target, path, QTimeZone::systemTimeZone()).added, 0);
    }
};

QTEST_GUILESS_MAIN(TestIcsExport)
#include "TestIcsExport.moc"
