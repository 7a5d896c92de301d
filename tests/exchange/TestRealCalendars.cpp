#include "exchange/EventToEntry.h"
#include "exchange/IcsImport.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Calendar files in the shapes other calendar programs write (Google, Outlook, a Confluence export,
// calendars joined with blank lines, an office in another time zone), each taken in entry by entry.
class TestRealCalendars : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_notices;
    std::vector<EventIdentity> m_identities;

    struct Imported
    {
        IcsImport::Result result;
        std::unique_ptr<ScheduleDatabase> db;
    };

    Imported import(const char* fixture, const QByteArray& zone)
    {
        const QString path = m_dir.filePath(QStringLiteral("Zentravio.vmr"));
        QFile::remove(path);
        ScheduleDatabase::CreateDatabaseFile(path);
        Imported imported;
        imported.db = ScheduleDatabase::open(path, nullptr);
        m_notices.clear();
        m_identities.clear();
        IcsImport::Options options;
        options.notice = [this](const QString& line) { m_notices << line; };
        options.writer = [this](ScheduleDatabase& db, const std::vector<ScheduleEntry>& entries,
                                const std::vector<EventIdentity>& identities) {
            m_identities = identities;
            return db.appendAll(entries);
        };
        imported.result = IcsImport::run(*imported.db, QFINDTESTDATA(QStringLiteral("fixtures/") + fixture),
                                         QTimeZone(zone), options);
        return imported;
    }

    static ScheduleEntry entry(QDate date, const char* subject, const QString& note, const char* time,
                               const char* alarm, const char* kind)
    {
        return ScheduleEntry::make(DateText::mmddyyyy(date), DateText::dddd(date), QString::fromUtf8(subject),
                                   note, QString::fromLatin1(time), QString::fromLatin1(alarm),
                                   QString::fromLatin1(kind));
    }

private slots:
    void googleCalendar()
    {
        const Imported in = import("google-like.ics", "Europe/Berlin");
        QVERIFY2(in.result.ok, qPrintable(in.result.error));
        QCOMPARE(in.result.added, 3);
        const ScheduleTable& table = in.db->table();
        // The display reminder 15 minutes ahead is the entry's time; the mail reminder before it is not
        // the program's to ring.
        QCOMPARE(table.entry(0), entry(QDate(2025, 1, 15), "Pay the rent", EventToEntry::NoNote,
                                       "09:45:00 AM", "on", "Monthly"));
        // Its own start is excluded: the first Monday that is not, with the weekly rule kept whole.
        QCOMPARE(table.entry(1), entry(QDate(2025, 1, 13), "Choir", QStringLiteral("Bring the new scores"),
                                       "06:30:00 PM", "off", "Recurring"));
        // An all-day event with a reminder 15 hours ahead rings at 9 in the morning of the day before.
        QCOMPARE(table.entry(2), entry(QDate(2025, 7, 3), "Anniversary", EventToEntry::NoNote, "09:00:00 AM",
                                       "on", "Yearly"));
        QCOMPARE(in.result.simplified, 0);
        QCOMPARE(in.result.rulesKept, 1);
        QCOMPARE(in.result.alarmsMoved, 2);
        QCOMPARE(m_notices,
                 QStringList({
                     QStringLiteral("line 27 \"Pay the rent\": rings 15 minutes before its 10:00 AM "
                                    "start"),
                     QStringLiteral("line 70 \"Anniversary\": rings 15 hours before its 12:00 AM "
                                    "start"),
                 }));
        // What tells the events apart travels beside the entries to the code that writes them.
        QCOMPARE(m_identities.size(), size_t(3));
        QCOMPARE(m_identities[0].uid, QByteArray("rent-1@google.com"));
        QCOMPARE(m_identities[0].sequence, 3);
        QCOMPARE(m_identities[0].lastModified,
                 QDateTime(QDate(2024, 12, 2), QTime(10, 15), QTimeZone::utc()));
        QCOMPARE(m_identities[2].uid, QByteArray("anniversary@google.com"));
        QVERIFY(!m_identities[2].lastModified.isValid());
    }

    void outlookCalendar()
    {
        const Imported in = import("outlook-like.ics", "Europe/Berlin");
        QVERIFY2(in.result.ok, qPrintable(in.result.error));
        QCOMPARE(in.result.added, 3);
        const ScheduleTable& table = in.db->table();
        // A Windows zone name, and Outlook's "every weekday" written as a daily rule.
        QCOMPARE(table.entry(0), entry(QDate(2025, 3, 3), "Daily stand-up", EventToEntry::NoNote,
                                       "08:50:00 AM", "on", "Monday to Friday"));
        // Outlook's display name of New York's zone: 11:00 there before the change to summer time is 17:00
        // in Berlin.
        QCOMPARE(table.entry(1), entry(QDate(2025, 3, 4), "Call with New York", EventToEntry::NoNote,
                                       "05:00:00 PM", "off", "OneTime"));
        // An abbreviation names no one zone: the time as written, and a line that says so.
        QCOMPARE(table.entry(2), entry(QDate(2025, 3, 5), "Vendor demo", EventToEntry::NoNote, "09:30:00 AM",
                                       "off", "OneTime"));
        QCOMPARE(in.result.unknownZones, 1);
        // A master whose one date is also excluded has no occurrence: left out and counted.
        QCOMPARE(in.result.noOccurrence, 1);
        QCOMPARE(m_notices.size(), 3);
        QVERIFY2(m_notices[0].startsWith(QLatin1String("line 6 \"Daily stand-up\": rings 10 minutes before")),
                 qPrintable(m_notices[0]));
        QCOMPARE(m_notices[1],
                 QStringLiteral("line 36 \"Vendor demo\": its time zone \"PST\" is known neither "
                                "to the file nor to this system: read as local time"));
        QVERIFY2(m_notices[2].startsWith(QLatin1String("line 42 \"Cancelled series\": every date of it is "
                                                       "excluded")),
                 qPrintable(m_notices[2]));
    }

    void blankLinesUnknownPropertiesAndUnreadableValues()
    {
        const Imported in = import("lf-blank-lines.ics", "UTC");
        QVERIFY2(in.result.ok, qPrintable(in.result.error));
        QCOMPARE(in.result.added, 2);
        const ScheduleTable& table = in.db->table();
        QCOMPARE(table.entry(0), entry(QDate(2025, 2, 10), "Release 4.2", EventToEntry::NoNote, "02:00:00 PM",
                                       "off", "OneTime"));
        QCOMPARE(table.entry(1), entry(QDate(2013, 12, 10), "An extra date nobody can read",
                                       EventToEntry::NoNote, "10:00:00 AM", "off", "OneTime"));
        // The one event without a readable start is left out and named by its start's line.
        QCOMPARE(in.result.leftOut, 1);
        QCOMPARE(m_notices, QStringList({QStringLiteral("line 20 \"A start nobody can read\": its start "
                                                        "\"DTSTART:2025021\" cannot be read; left out")}));
    }

    void anOfficeInAnotherTimeZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("kind");
        // 09:30 in Sydney's summer is 23:30 of the day before in Berlin's winter: Sunday to Thursday, so
        // the weekday rule is kept whole and followed in Sydney's time.
        QTest::newRow("in Berlin") << QByteArray("Europe/Berlin") << "01/07/2024"
                                   << "11:30:00 PM"
                                   << "Recurring";
        QTest::newRow("in Sydney") << QByteArray("Australia/Sydney") << "01/08/2024"
                                   << "09:30:00 AM"
                                   << "Monday to Friday";
    }

    void anOfficeInAnotherTimeZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, kind);
        const Imported in = import("sydney-weekdays.ics", zone);
        QVERIFY2(in.result.ok, qPrintable(in.result.error));
        QCOMPARE(in.db->table().text(0, ScheduleField::Date), date);
        QCOMPARE(in.db->table().text(0, ScheduleField::AlarmTime), time);
        QCOMPARE(in.db->table().text(0, ScheduleField::Kind), kind);
        QCOMPARE(in.result.simplified, 0);
        QCOMPARE(in.result.rulesKept, kind == QLatin1String("Recurring") ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestRealCalendars)
#include "TestRealCalendars.moc"
