#include "exchange/ExchangeCommand.h"
#include "exchange/IcsImport.h"
#include "exchange/ImportWriter.h"
#include "store/ScheduleDatabase.h"
#include "support/OtherConnection.h"
#include "support/ScheduleFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A calendar taken in again after its events changed: each event finds the entry it made before by its
// UID, and only a later version of it changes that entry.
class TestReimport : public QObject
{
    Q_OBJECT

private:
    ScheduleFolder m_folder;
    QStringList m_out;

    QString schedulePath() const { return m_folder.schedulePath(); }
    std::unique_ptr<ScheduleDatabase> openSchedule() { return m_folder.openSchedule(); }
    QString writeFile(const QByteArray& text) { return m_folder.writeFile(text); }

    // A calendar of the given events, each given as its lines (LF line ends).
    static QByteArray calendar(const QList<QByteArray>& events)
    {
        QByteArray text = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//Test//EN\n";
        for (const QByteArray& lines : events)
            text += "BEGIN:VEVENT\nDTSTAMP:20240101T000000Z\n" + lines + "\nEND:VEVENT\n";
        return text + "END:VCALENDAR\n";
    }

    static QByteArray event(const QByteArray& uid, int sequence, const QByteArray& summary,
                            const QByteArray& start = "20240310T100000Z", const QByteArray& more = {})
    {
        QByteArray lines = "DTSTART:" + start + "\nSUMMARY:" + summary;
        if (!uid.isEmpty())
            lines += "\nUID:" + uid;
        if (sequence >= 0)
            lines += "\nSEQUENCE:" + QByteArray::number(sequence);
        if (!more.isEmpty())
            lines += '\n' + more;
        return lines;
    }

    IcsImport::Result importText(ScheduleDatabase& db, const QByteArray& text)
    {
        return IcsImport::run(db, writeFile(text), QTimeZone::utc());
    }

    static QStringList subjects(ScheduleDatabase& db)
    {
        QStringList list;
        const ScheduleTable& table = db.table();
        for (size_t i = 0; i < table.size(); ++i)
            list << table.text(i, ScheduleField::Subject);
        return list;
    }

    ExchangeCommand::Console console()
    {
        return {[this](const QString& t) { m_out << t; }, [](const QString&) {}, [] { return qint64(0); }};
    }

private slots:
    void init()
    {
        QFile::remove(schedulePath());
        m_out.clear();
    }

    void aLaterVersionChangesTheEntryAndAnOtherDoesNot()
    {
        auto db = openSchedule();
        QVERIFY(importText(*db, calendar({event("dentist@test", 0, "Dentist")})).ok);
        QCOMPARE(db->table().size(), size_t(1));
        const qint64 row = db->table().rowId(0);
        QCOMPARE(db->uidOf(row), QStringLiteral("dentist@test"));
        EntryChanges told;
        db->addChangeListener([&](const EntryChanges& changes) { told = changes; });

        // Moved by its organizer: one entry, changed, told as changed under the same identity.
        IcsImport::Result result =
            importText(*db, calendar({event("dentist@test", 1, "Dentist moved", "20240312T150000Z")}));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.added, 0);
        QCOMPARE(result.updated, 1);
        QCOMPARE(db->table().size(), size_t(1));
        QCOMPARE(db->table().rowId(0), row);
        QCOMPARE(db->table().text(0, ScheduleField::Subject), QStringLiteral("Dentist moved"));
        QCOMPARE(db->table().text(0, ScheduleField::Date), QStringLiteral("03/12/2024"));
        QCOMPARE(told, EntryChanges({{EntryChange::Kind::Changed, QStringLiteral("dentist@test"), row}}));

        // The same version, or an older one, with other fields changes nothing.
        told.clear();
        for (const int sequence : {1, 0}) {
            result = importText(*db, calendar({event("dentist@test", sequence, "Someone else's edit")}));
            QVERIFY(result.ok);
            QCOMPARE(result.updated, 0);
            QCOMPARE(result.present, 1);
            QCOMPARE(subjects(*db), QStringList{QStringLiteral("Dentist moved")});
        }
        QVERIFY(told.empty());

        // The same SEQUENCE, modified later than the version last taken in.
        const QByteArray modified = "LAST-MODIFIED:20240301T080000Z";
        result = importText(
            *db, calendar({event("dentist@test", 1, "Dentist, room 2", "20240312T150000Z", modified)}));
        QCOMPARE(result.updated, 1);
        result = importText(*db, calendar({event("dentist@test", 1, "Dentist, room 3", "20240312T150000Z",
                                                 "LAST-MODIFIED:20240301T070000Z")}));
        QCOMPARE(result.updated, 0);
        QCOMPARE(result.present, 1);
        QCOMPARE(subjects(*db), QStringList{QStringLiteral("Dentist, room 2")});
    }

    void theSummarySaysHowManyWereUpdated()
    {
        const QString schedule = schedulePath();
        const QString first = writeFile(calendar({event("a@test", 0, "A"), event("b@test", 0, "B")}));
        const QString second = writeFile(
            calendar({event("a@test", 2, "A again"), event("b@test", 0, "B"), event("c@test", 0, "C")}));
        QCOMPARE(ExchangeCommand::importFrom(schedule, first, QTimeZone::utc(), console()), 0);
        QCOMPARE(ExchangeCommand::importFrom(schedule, second, QTimeZone::utc(), console()), 0);
        QVERIFY2(m_out.value(1).contains(QLatin1String("Imported 1 entry")) &&
                     m_out.value(1).contains(QLatin1String("1 updated; 1 already in the schedule")),
                 qPrintable(m_out.value(1)));
    }

    void eventsWithoutUidComeInOnce()
    {
        auto db = openSchedule();
        const QByteArray text = calendar({event({}, -1, "No identity")});
        QCOMPARE(importText(*db, text).added, 1);
        const IcsImport::Result again = importText(*db, text);
        QCOMPARE(again.added, 0);
        QCOMPARE(again.present, 1);
        QCOMPARE(db->table().size(), size_t(1));
    }

    void anEventTheFileHoldsTwiceComesInOnceAtItsLaterVersion()
    {
        auto db = openSchedule();
        const IcsImport::Result result =
            importText(*db, calendar({event("twice@test", 3, "Later"), event("twice@test", 1, "Earlier"),
                                      event("twice@test", 2, "Between")}));
        QVERIFY(result.ok);
        QCOMPARE(result.added, 1);
        QCOMPARE(result.present, 2);
        QCOMPARE(subjects(*db), QStringList{QStringLiteral("Later")});
    }

    void anExportTakenBackDoublesNothing()
    {
        const QString schedule = schedulePath();
        {
            auto db = openSchedule();
            QVERIFY(db->append(ScheduleEntry::make(QStringLiteral("03/11/2024"), QStringLiteral("Monday"),
                                                   QStringLiteral("Made here"), QStringLiteral("note"),
                                                   QStringLiteral("09:00:00 AM"), QStringLiteral("on"),
                                                   QStringLiteral("One time"))));
            QVERIFY(
                importText(*db, calendar({event("given@elsewhere", 4, "Brought in"), event({}, -1, "Plain")}))
                    .ok);
        }
        const QString exported = m_folder.filePath(QStringLiteral("exported.ics"));
        QCOMPARE(ExchangeCommand::exportTo(schedule, exported, QDateTime::currentDateTimeUtc(), console()),
                 0);
        QCOMPARE(ExchangeCommand::importFrom(schedule, exported, QTimeZone::utc(), console()), 0);
        QVERIFY2(m_out.last().contains(QLatin1String("Imported 0 entries")), qPrintable(m_out.last()));
        auto db = openSchedule();
        QCOMPARE(db->table().size(), size_t(3));
    }

    void aRefusedWriteLeavesTheScheduleAsItWas()
    {
        {
            auto db = openSchedule();
            QVERIFY(importText(*db, calendar({event("kept@test", 0, "Kept")})).ok);
        }
        // Another program refuses every change of a row, so the update, written after the additions,
        // fails inside the import's transaction.
        OtherConnection other(schedulePath());
        QCOMPARE(other.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Schedule BEGIN "
                            "SELECT RAISE(ABORT, 'refused'); END"),
                 SQLITE_OK);
        auto db = openSchedule();
        const IcsImport::Result result =
            importText(*db, calendar({event("new-1@test", 0, "New one"), event("new-2@test", 0, "New two"),
                                      event("kept@test", 5, "Changed")}));
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QLatin1String("refused")), qPrintable(result.error));
        QCOMPARE(subjects(*db), QStringList{QStringLiteral("Kept")});
        QVERIFY(!db->rowOf(QStringLiteral("new-1@test")));

        // Nothing of it reached the file either, identities included.
        db.reset();
        QCOMPARE(other.exec("DROP TRIGGER refuse"), SQLITE_OK);
        db = openSchedule();
        QCOMPARE(subjects(*db), QStringList{QStringLiteral("Kept")});
        QVERIFY(!db->rowOf(QStringLiteral("new-1@test")));
        QVERIFY(db->rowOf(QStringLiteral("kept@test")));
        // The version kept is still the first one: the change comes in now.
        QCOMPARE(importText(*db, calendar({event("kept@test", 5, "Changed")})).updated, 1);
    }

    void aGivenUidOutlastsARestartAndIsExported()
    {
        {
            auto db = openSchedule();
            QVERIFY(importText(*db, calendar({event("Trip-42@calendar.example", 2, "Trip")})).ok);
        }
        auto db = openSchedule();
        const std::optional<qint64> row = db->rowOf(QStringLiteral("Trip-42@calendar.example"));
        QVERIFY(row);
        QCOMPARE(db->uidOf(*row), QStringLiteral("Trip-42@calendar.example"));
        // The version kept beside it outlasts the restart as well.
        IcsImport::Result result = importText(*db, calendar({event("Trip-42@calendar.example", 2, "Trip?")}));
        QCOMPARE(result.present, 1);
        result = importText(*db, calendar({event("Trip-42@calendar.example", 3, "Trip, later")}));
        QCOMPARE(result.updated, 1);
        db.reset();

        const QString exported = m_folder.filePath(QStringLiteral("trip.ics"));
        QCOMPARE(
            ExchangeCommand::exportTo(schedulePath(), exported, QDateTime::currentDateTimeUtc(), console()),
            0);
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("UID:Trip-42@calendar.example"));
    }

    void anIdentityAnotherEntryHasIsRefused()
    {
        auto db = openSchedule();
        QVERIFY(importText(*db, calendar({event("taken@test", 0, "First")})).ok);
        const ScheduleEntry entry = db->table().entry(0);
        const StoreResult refused = db->writeImport({{&entry, 0, QStringLiteral("taken@test"), {}}});
        QVERIFY(!refused);
        QVERIFY2(refused.error.contains(QLatin1String("taken@test")), qPrintable(refused.error));
        QCOMPARE(db->table().size(), size_t(1));
    }

    void aFeedWithoutVersionsUpdatesByItsStampAndContent()
    {
        // Fixtures of a season, as public feeds write them: neither SEQUENCE nor LAST-MODIFIED, and every
        // event stamped anew whenever the feed is made.
        const auto feed = [](const QByteArray& stamp, const QByteArray& secondKickOff) {
            return calendar({event("match-1@feed", -1, "Home game", "20240810T150000Z"),
                             event("match-2@feed", -1, "Away game", secondKickOff)})
                .replace("DTSTAMP:20240101T000000Z", "DTSTAMP:" + stamp);
        };
        auto db = openSchedule();
        QCOMPARE(importText(*db, feed("20240701T000000Z", "20240817T150000Z")).added, 2);

        // Made again a day later, unchanged: nothing to do.
        IcsImport::Result result = importText(*db, feed("20240702T000000Z", "20240817T150000Z"));
        QCOMPARE(result.updated, 0);
        QCOMPARE(result.present, 2);

        // A change made here to the first entry outlasts a feed in which that event did not change.
        ScheduleEntry edited = db->table().entry(0);
        edited[ScheduleField::Note] = QStringLiteral("Bring the flag");
        QVERIFY(db->update(db->table().rowId(0), edited));
        // The second match moved: its entry follows, the first keeps its note.
        result = importText(*db, feed("20240703T000000Z", "20240818T180000Z"));
        QCOMPARE(result.updated, 1);
        QCOMPARE(result.present, 1);
        QCOMPARE(db->table().text(1, ScheduleField::Date), QStringLiteral("08/18/2024"));
        QCOMPARE(db->table().text(1, ScheduleField::AlarmTime), QStringLiteral("06:00:00 PM"));
        QCOMPARE(db->table().text(0, ScheduleField::Note), QStringLiteral("Bring the flag"));

        // An older copy of the feed changes nothing back.
        result = importText(*db, feed("20240701T000000Z", "20240817T150000Z"));
        QCOMPARE(result.updated, 0);
        QCOMPARE(db->table().text(1, ScheduleField::Date), QStringLiteral("08/18/2024"));
        // A feed that keeps one stamp for good still brings a changed event in by its content.
        result = importText(*db, feed("20240703T000000Z", "20240819T120000Z"));
        QCOMPARE(result.updated, 1);
        QCOMPARE(db->table().text(1, ScheduleField::Date), QStringLiteral("08/19/2024"));
    }

    void versionsCompareBySequenceThenByModification_data()
    {
        QTest::addColumn<int>("sequence");
        QTest::addColumn<QDateTime>("modified");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("later");
        const QDateTime nine(QDate(2024, 3, 1), QTime(9, 0), QTimeZone::utc());
        const QString keptNine = QStringLiteral("SEQUENCE:1;LAST-MODIFIED:20240301T090000Z");
        QTest::newRow("greater sequence") << 2 << QDateTime() << keptNine << true;
        QTest::newRow("smaller sequence, later moment") << 0 << nine.addDays(1) << keptNine << false;
        QTest::newRow("same sequence, later moment") << 1 << nine.addSecs(1) << keptNine << true;
        QTest::newRow("same sequence, same moment") << 1 << nine << keptNine << false;
        QTest::newRow("same sequence, moment in another zone")
            << 1 << nine.toTimeZone(QTimeZone("Europe/Berlin")).addSecs(60) << keptNine << true;
        QTest::newRow("same sequence, no moment") << 1 << QDateTime() << keptNine << false;
        QTest::newRow("nothing kept, plain event") << 0 << QDateTime() << QString() << false;
        QTest::newRow("nothing kept, a moment") << 0 << nine << QString() << true;
    }

    void versionsOfEventsThatGiveNoModification_data()
    {
        QTest::addColumn<QDateTime>("stamp");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("later");
        const QDateTime nine(QDate(2024, 3, 1), QTime(9, 0), QTimeZone::utc());
        const QString keptNine = QStringLiteral("SEQUENCE:0;DTSTAMP:20240301T090000Z;CONTENT:abc");
        QTest::newRow("later stamp, same content")
            << nine.addDays(1) << QByteArray("abc") << keptNine << false;
        QTest::newRow("same stamp, other content") << nine << QByteArray("xyz") << keptNine << true;
        QTest::newRow("earlier stamp, other content")
            << nine.addSecs(-1) << QByteArray("xyz") << keptNine << false;
        // What earlier versions of the program kept of an event: its later stamp counts.
        QTest::newRow("kept before stamps, later stamp")
            << nine << QByteArray("xyz") << QStringLiteral("SEQUENCE:0") << true;
        QTest::newRow("an entry made here") << nine << QByteArray("xyz") << QString() << false;
    }

    void versionsOfEventsThatGiveNoModification()
    {
        QFETCH(QDateTime, stamp);
        QFETCH(QByteArray, content);
        QFETCH(QString, kept);
        QFETCH(bool, later);
        EventIdentity event;
        event.stamp = stamp;
        event.content = content;
        QCOMPARE(ImportWriter::isLater(event, kept), later);
        QVERIFY(!ImportWriter::isLater(event, ImportWriter::versionText(event)));
    }

    void versionsCompareBySequenceThenByModification()
    {
        QFETCH(int, sequence);
        QFETCH(QDateTime, modified);
        QFETCH(QString, kept);
        QFETCH(bool, later);
        EventIdentity event;
        event.sequence = sequence;
        event.lastModified = modified;
        QCOMPARE(ImportWriter::isLater(event, kept), later);
        // What is kept of an event reads back as the same version.
        QVERIFY(!ImportWriter::isLater(event, ImportWriter::versionText(event)));
    }
};

QTEST_GUILESS_MAIN(TestReimport)

#include "TestReimport.moc"
