#include "exchange/EntryToEvent.h"
#include "store/ScheduleDatabase.h"
#include "store/TableRead.h"
#include "support/OtherConnection.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <map>

namespace {

ScheduleEntry entry(const QString& subject, const QString& note = QStringLiteral("note"),
                    const QString& time = QStringLiteral("10:00:00 AM"))
{
    return ScheduleEntry::make(QStringLiteral("06/12/2014"), QStringLiteral("Thursday"), subject, note, time,
                               QStringLiteral("on"), QStringLiteral("OneTime"));
}

// A schedule as the program's earlier layout kept it: every entry's UID, serial or given, in one table.
// The entries are Dentist (row 1, serial 1), Gym (row 2, serial 5, edited since), Imported (row 3, a given
// UID, last imported at SEQUENCE 2) and Haircut (row 4, whose identity was recorded for another entry).
void writeEarlierLayout(const QString& path)
{
    QVERIFY(ScheduleDatabase::CreateDatabaseFile(path));
    OtherConnection other(path);
    const QList<ScheduleEntry> entries = {entry("Dentist"), entry("Gym"), entry("Imported"),
                                          entry("Haircut")};
    QCOMPARE(other.exec(
                 "INSERT INTO Schedule VALUES ('06/12/2014', 'Thursday', 'Dentist', 'note', '10:00:00 AM', "
                 "'on', 'OneTime'), ('06/12/2014', 'Thursday', 'Gym', 'note', '10:00:00 AM', 'on', "
                 "'OneTime'), ('06/12/2014', 'Thursday', 'Imported', 'note', '10:00:00 AM', 'on', "
                 "'OneTime'), ('06/12/2014', 'Thursday', 'Haircut', 'note', '10:00:00 AM', 'on', 'OneTime')"),
             SQLITE_OK);
    QCOMPARE(other.exec(
                 "CREATE TABLE EntryIdentity (RowId INTEGER PRIMARY KEY, Uid NOT NULL, Fingerprint INTEGER "
                 "NOT NULL, Origin TEXT, SyncedForm TEXT);"
                 "CREATE TABLE EntryIdentityFile (Tag TEXT NOT NULL, LastSerial INTEGER NOT NULL DEFAULT 0);"
                 "CREATE TABLE EntrySnooze (Uid TEXT PRIMARY KEY, DueAt INTEGER NOT NULL, SnoozedFrom "
                 "INTEGER NOT NULL, AlarmSecond INTEGER NOT NULL);"
                 "INSERT INTO EntryIdentityFile VALUES ('00000000000abcde', 7);"),
             SQLITE_OK);
    // Gym's note was changed by another program since the identities were last recorded.
    const QByteArray gymBeforeItsEdit =
        QByteArray::number(EntryIdentities::earlierFingerprint(entry("Gym", "before the edit")));
    const auto print = [&](int i) {
        return QByteArray::number(EntryIdentities::earlierFingerprint(entries[i]));
    };
    const QByteArray rows =
        "INSERT INTO EntryIdentity VALUES (1, 1, " + print(0) + ", NULL, NULL), (2, 5, " + gymBeforeItsEdit +
        ", NULL, NULL), (3, 'given@example.org', " + print(2) + ", 'import', 'SEQUENCE:2'), (4, 6, " +
        QByteArray::number(EntryIdentities::earlierFingerprint(entries[0]) ^ 0xFFFFFFu) + ", NULL, NULL)";
    QCOMPARE(other.exec(rows.constData()), SQLITE_OK);
}

QStringList tablesOf(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_stmt* names = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", -1, &names,
                       nullptr);
    QStringList tables;
    while (sqlite3_step(names) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(names, 0)));
    sqlite3_finalize(names);
    sqlite3_close(db);
    return tables;
}

QString uidInIcal(const ScheduleDatabase& db, size_t i)
{
    const EntryToEvent::Event event = EntryToEvent::eventOf(
        db.cachedTable(), i, QDateTime(QDate(2026, 1, 1), QTime(0, 0)), &db.identities());
    return QString::fromUtf8(icalcomponent_get_uid(event.component.get()));
}

} // namespace

// Every entry's identity: kept through edits and restarts, given to rows another program adds, taken
// from rows it deletes, and not carried over to another entry that took a freed row id; and the notices
// that tell listeners, by identity, what was added, changed and removed.
class TestEntryIdentity : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ScheduleDatabase> m_db;
    EntryChanges m_told;

    void open()
    {
        m_db.reset();
        m_db = ScheduleDatabase::open(m_path, nullptr);
        QVERIFY(m_db);
        m_db->addChangeListener([this](const EntryChanges& changes) {
            m_told.insert(m_told.end(), changes.begin(), changes.end());
        });
    }
    EntryChanges told()
    {
        EntryChanges changes;
        changes.swap(m_told);
        return changes;
    }
    qint64 appended(const ScheduleEntry& e)
    {
        const StoreResult result = m_db->append(e);
        if (!result)
            qFatal("%s", qPrintable(result.error));
        return result.rowId;
    }

private slots:
    void init()
    {
        m_told.clear();
        m_path = m_dir.filePath(QStringLiteral("%1-%2.vmr")
                                    .arg(QLatin1String(QTest::currentTestFunction()),
                                         QString::number(qHash(QLatin1String(QTest::currentDataTag())))));
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(m_path));
        open();
    }
    void cleanup() { m_db.reset(); }

    void anEditKeepsTheUidThroughRestartsAndExports()
    {
        const qint64 row = appended(entry("Dentist"));
        const QString uid = m_db->uidOf(row);
        QVERIFY(!uid.isEmpty());
        QCOMPARE(uidInIcal(*m_db, 0), uid);
        QVERIFY(m_db->update(row, entry("Dentist at nine", "bring the card", "09:00:00 AM")));
        QCOMPARE(m_db->uidOf(row), uid);
        QCOMPARE(uidInIcal(*m_db, 0), uid);
        open();
        QCOMPARE(m_db->uidOf(row), uid);
        QCOMPARE(m_db->rowOf(uid), row);
        // Two entries never share one.
        const qint64 second = appended(entry("Dentist"));
        QVERIFY(m_db->uidOf(second) != uid);
        QCOMPARE(m_db->uidOf(9999), QString());
        // The identity of a deleted entry is never given again, not even after a restart.
        const QString gone = m_db->uidOf(second);
        QVERIFY(m_db->remove(second));
        open();
        const qint64 third = appended(entry("Dentist"));
        QVERIFY(m_db->uidOf(third) != gone);
        QVERIFY(m_db->remove(third));
        // Another program's insert is given the freed row id again.
        m_db.reset();
        {
            OtherConnection other(m_path);
            QCOMPARE(
                other.exec("INSERT INTO Schedule VALUES ('06/13/2014', 'Friday', 'x', 'n', '11:00:00 AM', "
                           "'on', 'OneTime')"),
                SQLITE_OK);
        }
        open();
        QCOMPARE(m_db->cachedTable().rowId(1), second);
        QVERIFY(m_db->uidOf(second) != gone);
        QCOMPARE(m_db->rowOf(gone), std::nullopt);
        QCOMPARE(m_db->rowOf(QStringLiteral("nobody@elsewhere")), std::nullopt);
    }

    void theProgramsOwnWritesAreToldByIdentity()
    {
        const qint64 row = appended(entry("Gym"));
        const QString uid = m_db->uidOf(row);
        QCOMPARE(told(), (EntryChanges{{EntryChange::Kind::Added, uid, row}}));
        QVERIFY(m_db->update(row, entry("Gym", "legs")));
        QCOMPARE(told(), (EntryChanges{{EntryChange::Kind::Changed, uid, row}}));
        QVERIFY(m_db->remove(row));
        QCOMPARE(told(), (EntryChanges{{EntryChange::Kind::Removed, uid, row}}));
        QCOMPARE(m_db->rowOf(uid), std::nullopt);
        // A refused write tells nothing.
        QVERIFY(!m_db->update(row, entry("Gym")));
        QVERIFY(told().empty());
    }

    void anotherProgramsInsertUpdateAndDeleteAreSeenAsAddedChangedRemoved_data()
    {
        QTest::addColumn<bool>("inBackground");
        QTest::newRow("read at once") << false;
        QTest::newRow("read on a worker thread") << true;
    }
    void anotherProgramsInsertUpdateAndDeleteAreSeenAsAddedChangedRemoved()
    {
        QFETCH(bool, inBackground);
        const qint64 kept = appended(entry("Kept"));
        const QString keptUid = m_db->uidOf(kept);
        told();
        m_db->setReadInBackground(inBackground);
        auto look = [&] {
            m_db->table();
            m_db->finishBackgroundRead();
        };
        OtherConnection other(m_path);
        QCOMPARE(
            other.exec("INSERT INTO Schedule VALUES ('06/13/2014', 'Friday', 'Else', 'n', '11:00:00 AM', "
                       "'on', 'OneTime')"),
            SQLITE_OK);
        look();
        EntryChanges changes = told();
        QCOMPARE(changes.size(), size_t(1));
        QCOMPARE(changes[0].kind, EntryChange::Kind::Added);
        const qint64 row = changes[0].rowId;
        const QString uid = changes[0].uid;
        QCOMPARE(m_db->uidOf(row), uid);
        QVERIFY(uid != keptUid);

        QCOMPARE(other.exec("UPDATE Schedule SET AlarmOnOff = 'off' WHERE Type = 'Else'"), SQLITE_OK);
        look();
        QCOMPARE(told(), (EntryChanges{{EntryChange::Kind::Changed, uid, row}}));
        // The identity the other program's row was given is kept in the file.
        open();
        QCOMPARE(m_db->uidOf(row), uid);
        m_db->setReadInBackground(inBackground);

        QCOMPARE(other.exec("DELETE FROM Schedule WHERE Type = 'Else'"), SQLITE_OK);
        look();
        QCOMPARE(told(), (EntryChanges{{EntryChange::Kind::Removed, uid, row}}));
        QCOMPARE(m_db->uidOf(kept), keptUid);
        QCOMPARE(m_db->rowOf(uid), std::nullopt);
    }

    void aRowIdGivenToAnotherEntryIsNotTakenForTheOldOne()
    {
        const qint64 row = appended(entry("Dentist", "bring the card"));
        const QString oldUid = m_db->uidOf(row);
        told();
        OtherConnection other(m_path);
        // As after another program's VACUUM: the same row id now holds an entry of its own.
        QCOMPARE(other.exec("UPDATE Schedule SET Date = '01/02/2020', Type = 'Haircut', Note = 'short' "
                            "WHERE rowid = 1"),
                 SQLITE_OK);
        m_db->table();
        const EntryChanges changes = told();
        QCOMPARE(changes.size(), size_t(2));
        QCOMPARE(changes[0], (EntryChange{EntryChange::Kind::Removed, oldUid, row}));
        QCOMPARE(changes[1].kind, EntryChange::Kind::Added);
        QCOMPARE(changes[1].rowId, row);
        QVERIFY(changes[1].uid != oldUid);
        QCOMPARE(m_db->uidOf(row), changes[1].uid);

        // The same while the program was not running: the new entry is not given the old identity.
        const QString secondUid = m_db->uidOf(row);
        m_db.reset();
        QCOMPARE(other.exec("DELETE FROM Schedule"), SQLITE_OK);
        QCOMPARE(other.exec(
                     "INSERT INTO Schedule (rowid, Date, Day, Type, Note, AlarmTime, AlarmOnOff, SchedType) "
                     "VALUES (1, '03/03/2021', 'Wednesday', 'Rent', 'pay', '08:00:00 AM', 'off', 'Monthly')"),
                 SQLITE_OK);
        open();
        QVERIFY(!m_db->uidOf(row).isEmpty());
        QVERIFY(m_db->uidOf(row) != secondUid);
        QVERIFY(m_db->uidOf(row) != oldUid);
    }

    void anEditOfOneOrTwoFieldsByAnotherProgramKeepsTheIdentity()
    {
        const qint64 row = appended(entry("Dentist", "bring the card"));
        const QString uid = m_db->uidOf(row);
        m_db.reset();
        OtherConnection other(m_path);
        QCOMPARE(
            other.exec("UPDATE Schedule SET Date = '07/01/2014', AlarmTime = '08:00:00 AM' WHERE rowid = 1"),
            SQLITE_OK);
        open();
        QCOMPARE(m_db->uidOf(row), uid);
    }

    void aUidGivenFromOutsideIsKeptAndFindsItsEntry()
    {
        const qint64 row = appended(entry("Imported"));
        const qint64 other = appended(entry("Other"));
        const QString given = QStringLiteral("20260101T000000Z-42@example.org");
        QVERIFY(m_db->setUid(row, given));
        QCOMPARE(m_db->uidOf(row), given);
        QCOMPARE(m_db->rowOf(given), row);
        const StoreResult taken = m_db->setUid(other, given);
        QVERIFY(!taken);
        QVERIFY(taken.error.contains(given));
        QVERIFY(!m_db->setUid(other, QStringLiteral("  ")));
        QVERIFY(m_db->update(row, entry("Imported", "edited")));
        open();
        QCOMPARE(m_db->uidOf(row), given);
        QCOMPARE(m_db->rowOf(given), row);
        QCOMPARE(uidInIcal(*m_db, 0), given);
    }

    void aUidIsFoundAgainThroughNewRowsEditsAndRemovals()
    {
        const qint64 first = appended(entry("Dentist"));
        const qint64 last = appended(entry("Gym"));
        QVERIFY(m_db->remove(last));
        // The program's own entries keep no UID in the file: their row ids say their serials, even after the
        // last row was freed.
        const qint64 again = appended(entry("Gym"));
        const qint64 more = appended(entry("Rent"));
        QVERIFY(again != last);
        auto keptUids = [&] {
            sqlite3* db = nullptr;
            sqlite3_open(QFile::encodeName(m_path).constData(), &db);
            sqlite3_stmt* count = nullptr;
            sqlite3_prepare_v2(db, "SELECT count(*) FROM EntryUid", -1, &count, nullptr);
            sqlite3_step(count);
            const int kept = sqlite3_column_int(count, 0);
            sqlite3_finalize(count);
            sqlite3_close(db);
            return kept;
        };
        QCOMPARE(keptUids(), 0);

        // Another program's row in the freed row id gets a serial of its own, which is found by lookup too.
        m_db.reset();
        {
            OtherConnection other(m_path);
            QCOMPARE(
                other.exec("INSERT INTO Schedule (rowid, Date, Day, Type, Note, AlarmTime, AlarmOnOff, "
                           "SchedType) VALUES (2, '06/13/2014', 'Friday', 'x', 'n', '11:00:00 AM', 'on', "
                           "'OneTime')"),
                SQLITE_OK);
        }
        open();
        const QString moved = m_db->uidOf(last);
        QCOMPARE(keptUids(), 1);
        for (const qint64 row : {first, last, again, more})
            QCOMPARE(m_db->rowOf(m_db->uidOf(row)), row);

        // A UID given from outside replaces the made-up one, which then finds nothing.
        const QString given = QStringLiteral("given@example.org");
        QVERIFY(m_db->setUid(last, given));
        QCOMPARE(m_db->rowOf(moved), std::nullopt);
        QCOMPARE(m_db->rowOf(given), last);
        open();
        QCOMPARE(m_db->rowOf(given), last);
        QCOMPARE(m_db->rowOf(moved), std::nullopt);
        const QString firstUid = m_db->uidOf(first);
        QVERIFY(m_db->remove(first));
        QVERIFY(m_db->remove(last));
        QCOMPARE(m_db->rowOf(firstUid), std::nullopt);
        QCOMPARE(m_db->rowOf(given), std::nullopt);
        QCOMPARE(m_db->rowOf(m_db->uidOf(more)), more);
    }

    void aFingerprintTellsEveryFieldApart()
    {
        const ScheduleEntry base = entry("Dentist", "bring the card");
        const quint32 print = EntryIdentities::fingerprint(base);
        QCOMPARE(EntryIdentities::fingerprint(entry("Dentist", "bring the card")), print);
        for (int f = 0; f < ScheduleFieldCount; ++f) {
            ScheduleEntry edited = base;
            edited.fields[size_t(f)] += QStringLiteral("x");
            QVERIFY2(EntryIdentities::fingerprint(edited) != print, qPrintable(edited.fields[size_t(f)]));
            // One field changed: still the same entry.
            QVERIFY(EntryIdentities::sameEntry(print, EntryIdentities::fingerprint(edited)));
        }
        // Text moved from one field to the next still counts as a change.
        ScheduleEntry moved = base;
        moved[ScheduleField::Day] = QStringLiteral("Thursday1");
        moved[ScheduleField::AlarmTime] = QStringLiteral("0:00:00 AM");
        QVERIFY(EntryIdentities::fingerprint(moved) != print);
        // Subject and note both changed: another entry.
        QVERIFY(!EntryIdentities::sameEntry(print, EntryIdentities::fingerprint(entry("Haircut", "short"))));
        // Long texts are read to their last byte.
        ScheduleEntry longNote = entry("Dentist", QString(200, u'a'));
        const quint32 longPrint = EntryIdentities::fingerprint(longNote);
        longNote[ScheduleField::Note][199] = u'b';
        QVERIFY(EntryIdentities::fingerprint(longNote) != longPrint);
    }

    void aFileOfTheEarlierLayoutKeepsItsIdentities()
    {
        m_db.reset();
        const QString path = m_dir.filePath(QStringLiteral("earlier.vmr"));
        writeEarlierLayout(path);
        const QString tag = QStringLiteral("00000000000abcde");
        auto madeUp = [&](int serial) {
            return tag + u'-' + QString::number(serial) + QStringLiteral("@zentravio");
        };
        auto check = [&](ScheduleDatabase& db) {
            QCOMPARE(db.uidOf(1), madeUp(1));
            QCOMPARE(db.uidOf(2), madeUp(5));
            QCOMPARE(db.uidOf(3), QStringLiteral("given@example.org"));
            QCOMPARE(db.rowOf(madeUp(1)), 1);
            QCOMPARE(db.rowOf(madeUp(5)), 2);
            QCOMPARE(db.rowOf(madeUp(2)), std::nullopt);
            QCOMPARE(db.rowOf(QStringLiteral("given@example.org")), 3);
            // The fourth row holds another entry than its identity was recorded for.
            QVERIFY(db.uidOf(4) != madeUp(6));
            QCOMPARE(db.rowOf(madeUp(6)), std::nullopt);
        };

        // Read as it is through a connection that cannot write.
        {
            sqlite3* readOnly = nullptr;
            QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &readOnly, SQLITE_OPEN_READONLY,
                                     nullptr),
                     SQLITE_OK);
            SerialSource serials;
            const TableRead read = TableRead::from(readOnly, nullptr, &serials);
            sqlite3_close(readOnly);
            QVERIFY(read.ok);
            const EntryIdentities& identities = read.identities.identities;
            QCOMPARE(identities.uid(0, 1), madeUp(1));
            QCOMPARE(identities.uid(1, 2), madeUp(5));
            QCOMPARE(identities.uid(2, 3), QStringLiteral("given@example.org"));
            QVERIFY(identities.uid(3, 4) != madeUp(6));
            QVERIFY(tablesOf(path).contains(QStringLiteral("EntryIdentity")));
        }

        // Brought to the new layout on the first open that can write, and kept through a restart.
        for (int run = 0; run < 2; ++run) {
            QString error;
            auto db = ScheduleDatabase::open(path, &error);
            QVERIFY2(db, qPrintable(error));
            check(*db);
            QCOMPARE(db->importedVersions().value(3), QStringLiteral("SEQUENCE:2"));
            QVERIFY(!tablesOf(path).contains(QStringLiteral("EntryIdentity")));
        }
        // No serial the earlier layout drew is drawn again.
        auto db = ScheduleDatabase::open(path, nullptr);
        const qint64 row = db->append(entry("New")).rowId;
        const std::optional<quint32> serial = db->identities().serialOfUid(db->uidOf(row));
        QVERIFY(serial && *serial > 7);
        QCOMPARE(db->rowOf(db->uidOf(row)), row);
    }

    // A file another program wrote, without identity tables, met first by a command (at once) or by the
    // running program (later, on a worker thread), with the program's own writes and another program's
    // coming first.
    void aFileWithoutIdentitiesKeepsThoseItWasOpenedWith_data()
    {
        QTest::addColumn<bool>("later");
        QTest::addColumn<QString>("before"); // what happens between the open and the recording
        for (const bool later : {false, true}) {
            for (const char* before :
                 {"nothing", "own append", "own edit", "own removal", "own UID", "another program's insert"})
                QTest::addRow("%s, %s", later ? "later" : "at once", before)
                    << later << QString::fromLatin1(before);
        }
    }
    void aFileWithoutIdentitiesKeepsThoseItWasOpenedWith()
    {
        QFETCH(bool, later);
        QFETCH(QString, before);
        m_db.reset();
        const QString path = m_dir.filePath(QStringLiteral("plain-%1-%2.vmr").arg(later).arg(qHash(before)));
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(path));
        OtherConnection other(path);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(other.exec("INSERT INTO Schedule VALUES ('06/12/2014', 'Thursday', 'Plain', 'note', "
                                "'10:00:00 AM', 'on', 'OneTime')"),
                     SQLITE_OK);
        ScheduleDatabase::OpenOptions options;
        options.identitiesLater = later;
        auto db = ScheduleDatabase::open(path, nullptr, options);
        QVERIFY(db);
        QCOMPARE(db->identitiesDue(), later);
        QCOMPARE(tablesOf(path).contains(QStringLiteral("EntryFingerprint")), !later);
        db->setReadInBackground(true);
        EntryChanges changes;
        db->addChangeListener(
            [&](const EntryChanges& told) { changes.insert(changes.end(), told.begin(), told.end()); });

        if (before == QLatin1String("own append"))
            QVERIFY(db->append(entry("Mine")));
        else if (before == QLatin1String("own edit"))
            QVERIFY(db->update(3, entry("Edited")));
        else if (before == QLatin1String("own removal"))
            QVERIFY(db->remove(2));
        else if (before == QLatin1String("own UID"))
            QVERIFY(db->setUid(4, QStringLiteral("given@example.org")));
        else if (before == QLatin1String("another program's insert"))
            QCOMPARE(other.exec("INSERT INTO Schedule VALUES ('06/13/2014', 'Friday', 'Theirs', 'note', "
                                "'10:00:00 AM', 'on', 'OneTime')"),
                     SQLITE_OK);
        const size_t ownNotices = changes.size();
        std::map<qint64, QString> uids;
        for (size_t i = 0; i < db->cachedTable().size(); ++i)
            uids[db->cachedTable().rowId(i)] = db->uidOf(db->cachedTable().rowId(i));

        db->bringOverIdentities();
        db->finishBringingOver();
        QVERIFY(!db->identitiesDue());
        QVERIFY(!db->bringingOverIdentities());
        QVERIFY(tablesOf(path).contains(QStringLiteral("EntryFingerprint")));
        db->table();
        db->finishBackgroundRead();
        // The identities stay those the entries had; only another program's entry is news.
        for (const auto& [row, uid] : uids)
            QCOMPARE(db->uidOf(row), uid);
        const bool theirs = before == QLatin1String("another program's insert");
        QCOMPARE(changes.size(), ownNotices + (theirs ? 1 : 0));
        if (theirs) {
            QCOMPARE(changes.back().kind, EntryChange::Kind::Added);
            QCOMPARE(changes.back().rowId, 6);
        }

        // And so they are after a restart.
        db.reset();
        auto again = ScheduleDatabase::open(path, nullptr);
        QVERIFY(!again->identitiesDue());
        for (const auto& [row, uid] : uids)
            QCOMPARE(again->uidOf(row), uid);
        QCOMPARE(again->rowOf(QStringLiteral("given@example.org")),
                 before == QLatin1String("own UID") ? std::optional<qint64>(4) : std::nullopt);
    }

    void theScheduleTableStaysAsItWas()
    {
        appended(entry("Dentist"));
        OtherConnection other(m_path);
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_path).constData(), &db), SQLITE_OK);
        sqlite3_stmt* columns = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info('Schedule')", -1, &columns, nullptr);
        QStringList names;
        while (sqlite3_step(columns) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(columns, 0)));
        sqlite3_finalize(columns);
        sqlite3_close(db);
        QCOMPARE(names, (QStringList{"Date", "Day", "Type", "Note", "AlarmTime", "AlarmOnOff", "SchedType"}));
        // A plain insert of another program, naming no columns, still fits.
        QCOMPARE(
            other.exec("INSERT INTO Schedule VALUES ('06/13/2014', 'Friday', 'x', 'n', '11:00:00 AM', 'on', "
                       "'OneTime')"),
            SQLITE_OK);
    }

    void aReadOnlyFileWithoutIdentitiesStillOpens()
    {
        m_db.reset();
        // A file made by another program, read-only to this user.
        const QString path = m_dir.filePath(QStringLiteral("readonly.vmr"));
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(path));
        {
            OtherConnection other(path);
            QCOMPARE(
                other.exec("INSERT INTO Schedule VALUES ('06/13/2014', 'Friday', 'x', 'n', '11:00:00 AM', "
                           "'on', 'OneTime')"),
                SQLITE_OK);
        }
        QFile::setPermissions(path, QFile::ReadOwner);
        if (QFileInfo(path).isWritable())
            QSKIP("this user may write any file");
        QString error;
        auto db = ScheduleDatabase::open(path, &error);
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(db->cachedTable().size(), size_t(1));
        QVERIFY(!db->uidOf(db->cachedTable().rowId(0)).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEntryIdentity)
#include "TestEntryIdentity.moc"
