#include "store/DateText.h"
#include "store/Recordset.h"
#include "store/ScheduleDatabase.h"
#include "support/OtherConnection.h"
#include "support/PermissionChecks.h"
#include "support/ScheduleAsSeen.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

#include <cstdio>

namespace {

ScheduleEntry entry(const QString& date, const QString& type, const QString& kind = QStringLiteral("OneTime"),
                    const QString& onOff = QStringLiteral("on"), const QString& note = QStringLiteral("note"))
{
    const auto parsed = DateText::readDate(date);
    return ScheduleEntry::make(date, parsed ? DateText::dddd(*parsed) : QStringLiteral("Friday"), type, note,
                               QStringLiteral("10:30:00 AM"), onOff, kind);
}

// Runs SQL on the file through a connection of its own, as another process would.
void execElsewhere(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

const QString BusySaveText = QStringLiteral(
    "The schedule file is in use by another program; your entry was not saved. Try again in a moment.");
const QString BusyDeleteText = QStringLiteral(
    "The schedule file is in use by another program; the entry was not deleted. Try again in a moment.");

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class TestScheduleDatabase : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    std::unique_ptr<ScheduleDatabase> createAndOpen()
    {
        if (!QFileInfo::exists(m_path)) {
            const StoreResult created = ScheduleDatabase::CreateDatabaseFile(m_path);
            if (!created)
                qWarning() << created.error;
        }
        QString error;
        auto db = ScheduleDatabase::open(m_path, &error);
        if (!db)
            qWarning() << error;
        return db;
    }

private slots:
    void init()
    {
        m_path = m_dir.filePath(
            QStringLiteral("data/Zentravio/") + QString::fromLatin1(QTest::currentTestFunction()) + u'-' +
            QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_') + QStringLiteral(".vmr"));
    }

    void firstStartCreatesTheTableWithItsSevenFields()
    {
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(m_path));
        QCOMPARE(QFileInfo(m_path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());

        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_path).constData(), &db), SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, "PRAGMA table_info(Schedule)", -1, &stmt, nullptr), SQLITE_OK);
        QStringList columns;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))) + u' ' +
                           QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)));
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        QCOMPARE(columns, QStringList({"Date TEXT(50)", "Day TEXT(50)", "Type TEXT(50)", "Note TEXT(250)",
                                       "AlarmTime TEXT(50)", "AlarmOnOff TEXT(50)", "SchedType TEXT(50)"}));

        // Creating again must not replace a schedule that exists.
        const StoreResult again = ScheduleDatabase::CreateDatabaseFile(m_path);
        QVERIFY(!again.ok);
        QVERIFY(again.error.contains(QStringLiteral("already exists")));
    }

    void anExistingFileIsOpenedAsItIs()
    {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        // A table made by another writer: other sizes, no checks, an extra field.
        execElsewhere(m_path,
                      "CREATE TABLE Schedule (Date TEXT, Day TEXT, Type TEXT, Note TEXT, AlarmTime TEXT, "
                      "AlarmOnOff TEXT, SchedType TEXT, Extra TEXT);"
                      "INSERT INTO Schedule VALUES ('03/07/2003','Friday','Dentist','x','10:30:00 AM',"
                      "'on','OneTime','kept');");
        const QString before = scheduleAsSeen(m_path);
        auto db = createAndOpen();
        QVERIFY(db);
        QCOMPARE(db->cachedTable().size(), size_t(1));
        QCOMPARE(db->cachedTable().text(0, ScheduleField::Subject), QStringLiteral("Dentist"));
        // The entries' identities go into tables of the program's own; Schedule stays as it was.
        QCOMPARE(scheduleAsSeen(m_path), before);
        QVERIFY(!db->uidOf(db->cachedTable().rowId(0)).isEmpty());
        // Opened again, with its identities in place, the file is left byte for byte.
        db.reset();
        const QByteArray bytes = fileBytes(m_path);
        db = ScheduleDatabase::open(m_path, nullptr);
        QVERIFY(db);
        QCOMPARE(fileBytes(m_path), bytes);
    }

    void filesThatAreNoScheduleAreReportedAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a database") << QByteArray() << "is not a schedule file";
        QTest::newRow("no table") << QByteArray("CREATE TABLE Other (a TEXT);") << "has no Schedule table";
        QTest::newRow("missing field")
            << QByteArray("CREATE TABLE Schedule (Date TEXT, Day TEXT);") << "has no field Type";
    }
    void filesThatAreNoScheduleAreReportedAndLeftAlone()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QString, message);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (sql.isEmpty()) {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Dear diary, this is a letter and not a database. ");
        } else {
            execElsewhere(m_path, sql.constData());
        }
        const QByteArray before = fileBytes(m_path);
        QString error;
        QVERIFY(!ScheduleDatabase::open(m_path, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(error.contains(QFileInfo(m_path).fileName()));
        QCOMPARE(fileBytes(m_path), before);
        QVERIFY(!QFileInfo::exists(m_path + QStringLiteral("-journal")));
    }

    void anotherProgramsLockLeavesTheEntriesAndRefusesWritesAtOnce()
    {
        auto db = createAndOpen();
        QVERIFY(db->append(entry("03/07/2003", "first")));
        QVERIFY(db->append(entry("03/08/2003", "second")));
        const qint64 first = db->cachedTable().rowId(0);

        OtherConnection other(m_path);
        QCOMPARE(other.exec("BEGIN EXCLUSIVE; INSERT INTO Schedule (Type) VALUES ('theirs, unfinished')"),
                 SQLITE_OK);
        // Looking goes on with the entries last read, and a lock is no fault to report.
        QCOMPARE(db->table().size(), size_t(2));
        QCOMPARE(db->table().text(1, ScheduleField::Subject), QStringLiteral("second"));
        QVERIFY(db->lastError().isEmpty());

        QCOMPARE(db->append(entry("03/09/2003", "third")).error, BusySaveText);
        QCOMPARE(db->update(first, entry("03/07/2003", "changed")).error, BusySaveText);
        QCOMPARE(db->remove(first).error, BusyDeleteText);
        // A refused save keeps what the user typed, for the next try.
        Recordset rs(*db);
        rs.addNew();
        const ScheduleEntry typed = entry("03/10/2003", "typed while busy");
        for (int f = 0; f < ScheduleFieldCount; ++f)
            rs.setField(ScheduleField(f), typed.fields[size_t(f)]);
        QCOMPARE(rs.update().error, BusySaveText);
        QVERIFY(rs.editing());
        QCOMPARE(db->cachedTable().size(), size_t(2));
        QCOMPARE(db->cachedTable().text(0, ScheduleField::Subject), QStringLiteral("first"));

        // Once the other program lets go, the same save goes through and its change is read.
        QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
        QVERIFY(rs.update());
        QCOMPARE(db->table().size(), size_t(4));
        QCOMPARE(db->table().text(2, ScheduleField::Subject), QStringLiteral("theirs, unfinished"));
        QCOMPARE(db->table().text(3, ScheduleField::Subject), QStringLiteral("typed while busy"));
        QVERIFY(db->remove(first));
        QCOMPARE(db->table().size(), size_t(3));
    }

    void aReadFaultIsForgottenOnceTheFileReadsAgain()
    {
        auto db = createAndOpen();
        QVERIFY(db->append(entry("03/07/2003", "kept")));
        execElsewhere(m_path, "ALTER TABLE Schedule RENAME TO Elsewhere");
        QCOMPARE(db->table().size(), size_t(1));
        const QString fault = db->lastError();
        QVERIFY2(fault.contains(QStringLiteral("could not be read")), qPrintable(fault));

        execElsewhere(m_path, "ALTER TABLE Elsewhere RENAME TO Schedule");
        QCOMPARE(db->table().size(), size_t(1));
        QCOMPARE(db->lastError(), QString());

        execElsewhere(m_path, "ALTER TABLE Schedule RENAME TO Elsewhere");
        db->table();
        QCOMPARE(db->lastError(), fault);
    }

    // A folder in the schedule's place, a broken link, an unreadable or read-only file and an extra
    // required field are met at start-up (TestStartUp); these are the causes met elsewhere.
    void errorsNameTheirCause_data()
    {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder in the file's place, at opening") << "folder"
                                                                << "%FILE% is a folder, not a schedule file.";
        QTest::newRow("folder that cannot be written, at creation")
            << "create"
            << "could not be created: the folder %FOLDER% cannot be written.";
        QTest::newRow("folder that cannot be written, at a delete")
            << "delete"
            << "The folder %FOLDER% cannot be written, so the schedule file in it cannot be changed; the "
               "entry "
               "was not deleted.";
    }
    void errorsNameTheirCause()
    {
        QFETCH(QString, setUp);
        QFETCH(QString, expected);
        const QString folder = QFileInfo(m_path).absolutePath();
        QDir().mkpath(folder);
        expected.replace(QStringLiteral("%FOLDER%"), folder).replace(QStringLiteral("%FILE%"), m_path);

        QString error;
        if (setUp == QStringLiteral("folder")) {
            QVERIFY(QDir().mkpath(m_path));
            QVERIFY(!ScheduleDatabase::open(m_path, &error));
        } else {
            std::unique_ptr<ScheduleDatabase> db;
            if (setUp == QStringLiteral("delete")) {
                db = createAndOpen();
                QVERIFY(db->append(entry("03/07/2003", "kept")));
            }
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            PermissionChecks checks;
            if (checks.active())
                error = db ? db->remove(db->cachedTable().rowId(0)).error
                           : ScheduleDatabase::CreateDatabaseFile(m_path).error;
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            if (!checks.active())
                QSKIP("File permissions cannot be made to apply to this test.");
            if (db)
                QCOMPARE(db->table().size(), size_t(1));
            QVERIFY(!QFileInfo::exists(ScheduleDatabase::creationPath(m_path)));
        }
        QVERIFY2(error.contains(expected), qPrintable(error));
    }

    void anInterruptedCreationIsMadeGoodByTheNext_data()
    {
        QTest::addColumn<QString>("leftover");
        QTest::newRow("empty schedule file with the journal of its table") << "empty with journal";
        QTest::newRow("half-made temporary schedule") << "temporary";
    }
    void anInterruptedCreationIsMadeGoodByTheNext()
    {
        QFETCH(QString, leftover);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        const QString temporary = ScheduleDatabase::creationPath(m_path);
        QVERIFY(QFileInfo(temporary).absolutePath() == QFileInfo(m_path).absolutePath());
        if (leftover.startsWith(QStringLiteral("empty"))) {
            QFile empty(m_path);
            QVERIFY(empty.open(QIODevice::WriteOnly));
        }
        if (leftover == QStringLiteral("empty with journal")) {
            // What a kill while the table was being made leaves: the file still empty, its journal beside.
            const QString elsewhere = m_path + QStringLiteral(".copy");
            QFile(m_path).copy(elsewhere);
            OtherConnection maker(elsewhere);
            QCOMPARE(maker.exec("PRAGMA cache_size = 1; BEGIN; CREATE TABLE Schedule (Date TEXT);"
                                "CREATE TABLE Filler (x TEXT); INSERT INTO Filler VALUES (zeroblob(50000));"),
                     SQLITE_OK);
            QVERIFY(QFile::copy(elsewhere + QStringLiteral("-journal"), m_path + QStringLiteral("-journal")));
        }
        if (leftover == QStringLiteral("temporary")) {
            QFile half(temporary);
            QVERIFY(half.open(QIODevice::WriteOnly));
            half.write("SQLite format 3");
            QFile journal(temporary + QStringLiteral("-journal"));
            QVERIFY(journal.open(QIODevice::WriteOnly));
            journal.write(QByteArray(512, 'j'));
        }

        QVERIFY(ScheduleDatabase::CreateDatabaseFile(m_path));
        QVERIFY(!QFileInfo::exists(temporary));
        QVERIFY(!QFileInfo::exists(temporary + QStringLiteral("-journal")));
        QCOMPARE(QFileInfo(m_path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        auto db = createAndOpen();
        QVERIFY(db);
        QVERIFY(db->append(entry("03/07/2003", "first entry")));
        db.reset();
        QVERIFY(!QFileInfo::exists(m_path + QStringLiteral("-journal")));
        auto reopened = createAndOpen();
        QVERIFY(reopened);
        QCOMPARE(reopened->cachedTable().size(), size_t(1));
    }

    void identicalRecordsAreBothWalkedAndTheFirstIsLocated()
    {
        auto db = createAndOpen();
        QVERIFY(db->append(entry("03/07/2003", "Dentist", "OneTime", "on", "first")));
        QVERIFY(db->append(entry("03/07/2003", "Dentist", "onetime", "on", "same")));
        QVERIFY(db->append(entry("03/07/2003", "Dentist", "OneTime", "on", "same")));

        Recordset rs(*db);
        QCOMPARE(rs.recordCount(), size_t(3));
        QStringList walked;
        for (rs.moveFirst(); !rs.atEnd(); rs.moveNext())
            walked << rs.field(ScheduleField::Note) + u'/' + rs.field(ScheduleField::Kind);
        QCOMPARE(walked, QStringList({"first/OneTime", "same/onetime", "same/OneTime"}));

        // The kind is matched in any case; the first record in walk order is the one found.
        QVERIFY(rs.locate("03/07/2003", "ONETIME", "Dentist", "same", "10:30:00 AM"));
        QCOMPARE(rs.field(ScheduleField::Kind), QStringLiteral("onetime"));
        QVERIFY(rs.edit());
        rs.setField(ScheduleField::AlarmOnOff, QStringLiteral("off"));
        QVERIFY(rs.update());
        QCOMPARE(db->cachedTable().text(1, ScheduleField::AlarmOnOff), QStringLiteral("off"));
        QCOMPARE(db->cachedTable().text(2, ScheduleField::AlarmOnOff), QStringLiteral("on"));

        // Other fields are compared exactly.
        QVERIFY(!rs.locate("3/7/2003", "OneTime", "Dentist", "same", "10:30:00 AM"));
        QVERIFY(!rs.locate("03/07/2003", "OneTime", "dentist", "same", "10:30:00 AM"));
        QVERIFY(rs.atEnd());
    }

    void recordsetMovesAddsAndDeletes()
    {
        auto db = createAndOpen();
        Recordset rs(*db);
        QCOMPARE(rs.recordCount(), size_t(0));
        QVERIFY(rs.atEnd());
        QVERIFY(!rs.edit());
        QVERIFY(!rs.deleteCurrent());

        for (const char* subject : {"one", "two", "three"}) {
            rs.addNew();
            const ScheduleEntry e = entry("03/07/2003", subject);
            for (int f = 0; f < ScheduleFieldCount; ++f)
                rs.setField(ScheduleField(f), e.fields[size_t(f)]);
            QVERIFY(rs.update());
        }
        rs.moveLast();
        QCOMPARE(rs.field(ScheduleField::Subject), QStringLiteral("three"));
        rs.moveFirst();
        rs.moveNext();
        QCOMPARE(rs.field(ScheduleField::Subject), QStringLiteral("two"));
        QVERIFY(rs.deleteCurrent());
        // After a delete the walk goes on with the record that followed.
        rs.moveNext();
        QCOMPARE(rs.field(ScheduleField::Subject), QStringLiteral("three"));
        rs.moveNext();
        QVERIFY(rs.atEnd());
        QCOMPARE(rs.recordCount(), size_t(2));

        // A new record is appended at the end even after a deletion.
        QVERIFY(db->append(entry("03/08/2003", "four")));
        QStringList walked;
        for (rs.moveFirst(); !rs.atEnd(); rs.moveNext())
            walked << rs.field(ScheduleField::Subject);
        QCOMPARE(walked, QStringList({"one", "three", "four"}));

        // Unset fields are allowed and read back as unset.
        rs.addNew();
        rs.setField(ScheduleField::Date, QStringLiteral("03/09/2003"));
        QVERIFY(rs.update());
        rs.moveLast();
        QVERIFY(rs.field(ScheduleField::Note).isNull());
        QCOMPARE(rs.field(ScheduleField::Date), QStringLiteral("03/09/2003"));
    }

    void refusedTextsLeaveTheTableUnchanged_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty subject") << int(ScheduleField::Subject) << ""
                                       << "The subject cannot be empty.";
        QTest::newRow("empty alarm switch") << int(ScheduleField::AlarmOnOff) << ""
                                            << "The alarm switch cannot be empty.";
        QTest::newRow("51-character subject")
            << int(ScheduleField::Subject) << QString(51, u'x')
            << "The subject is 51 characters long, but it can hold at most 50.";
        QTest::newRow("251-character note")
            << int(ScheduleField::Note) << QString(251, u'n')
            << "The note is 251 characters long, but it can hold at most 250.";
    }
    void refusedTextsLeaveTheTableUnchanged()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        auto db = createAndOpen();
        QVERIFY(db->append(entry("03/07/2003", "kept")));

        ScheduleEntry bad = entry("03/08/2003", "new");
        bad[ScheduleField(field)] = text;
        const StoreResult added = db->append(bad);
        QVERIFY(!added.ok);
        QCOMPARE(added.error, message);

        Recordset rs(*db);
        QVERIFY(rs.edit());
        rs.setField(ScheduleField(field), text);
        const StoreResult edited = rs.update();
        QCOMPARE(edited.error, message);
        QVERIFY(rs.editing()); // the refused text stays for the window to mend

        db.reset();
        auto reopened = createAndOpen();
        QCOMPARE(reopened->cachedTable().size(), size_t(1));
        QCOMPARE(reopened->cachedTable().entry(0), entry("03/07/2003", "kept"));
    }

    void textsAreCountedInCharacters()
    {
        auto db = createAndOpen();
        // 50 characters outside the basic plane are 100 UTF-16 units, and still fit.
        QString wide;
        for (int i = 0; i < 50; ++i)
            wide += QString::fromUcs4(U"\U0001F382", 1);
        QVERIFY(db->append(entry("03/07/2003", wide)));
        QCOMPARE(db->cachedTable().text(0, ScheduleField::Subject), wide);
        QVERIFY(!db->append(entry("03/07/2003", wide + u'x')));
    }

    void anotherWriterIsSeenOnTheNextLook()
    {
        auto db = createAndOpen();
        QVERIFY(db->append(entry("03/07/2003", "mine")));
        QVERIFY(db->append(entry("03/08/2003", "second")));
        const quint64 changeBefore = db->table().changeCount();
        QCOMPARE(db->table().changeCount(), changeBefore);
        // The same number of rows, read afresh: windows that compare the change count must still notice.
        execElsewhere(m_path,
                      "DELETE FROM Schedule WHERE Type = 'second';"
                      "INSERT INTO Schedule VALUES ('03/08/2003','Saturday','theirs','n','10:00:00 AM',"
                      "'on','Yearly'); UPDATE Schedule SET Type = 'changed' WHERE Type = 'mine';");
        const ScheduleTable& table = db->table();
        QCOMPARE(table.size(), size_t(2));
        QVERIFY(table.changeCount() > changeBefore);
        QCOMPARE(table.text(0, ScheduleField::Subject), QStringLiteral("changed"));
        QCOMPARE(table.kind(1), ScheduleKind::Yearly);

        // The copy kept up to date by the store's own writes equals a fresh read of the file.
        Recordset rs(*db);
        rs.moveFirst();
        QVERIFY(rs.edit());
        rs.setField(ScheduleField::Note, QStringLiteral("edited"));
        QVERIFY(rs.update());
        QVERIFY(db->remove(db->cachedTable().rowId(1)));
        QVERIFY(db->append(entry("12/25/2003", "Christmas", "Yearly")));
        std::vector<ScheduleEntry> kept;
        for (size_t i = 0; i < db->cachedTable().size(); ++i)
            kept.push_back(db->cachedTable().entry(i));
        QVERIFY(db->reload());
        QCOMPARE(db->cachedTable().size(), kept.size());
        for (size_t i = 0; i < kept.size(); ++i)
            QCOMPARE(db->cachedTable().entry(i), kept[i]);
    }

    void aRowDeletedElsewhereIsNotWrittenBack()
    {
        auto db = createAndOpen();
        QVERIFY(db->append(entry("03/07/2003", "gone soon")));
        Recordset rs(*db);
        QVERIFY(rs.edit());
        execElsewhere(m_path, "DELETE FROM Schedule;");
        rs.setField(ScheduleField::Note, QStringLiteral("late edit"));
        const StoreResult result = rs.update();
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains(QStringLiteral("no longer")));
        QCOMPARE(db->table().size(), size_t(0));
    }

    void aWriteSurvivesTheProcessBeingKilled()
    {
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(m_path));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-and-wait"), m_path});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(20000));
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("written"));
        child.kill();
        QVERIFY(child.waitForFinished());

        auto db = createAndOpen();
        QVERIFY(db);
        QCOMPARE(db->cachedTable().size(), size_t(1));
        QCOMPARE(db->cachedTable().text(0, ScheduleField::Subject),
                 QStringLiteral("written before the kill"));
    }

    void compactionKeepsEveryText()
    {
        auto db = createAndOpen();
        for (int i = 0; i < 200; ++i)
            QVERIFY(db->append(entry("03/07/2003", QStringLiteral("entry %1").arg(i))));
        Recordset rs(*db);
        // Rewriting every note many times leaves most of the text buffer dead and forces compaction.
        for (int round = 0; round < 5; ++round) {
            for (rs.moveFirst(); !rs.atEnd(); rs.moveNext()) {
                QVERIFY(rs.edit());
                rs.setField(ScheduleField::Note,
                            QStringLiteral("round %1 %2").arg(round).arg(QString(100, u'.')));
                QVERIFY(rs.update());
            }
        }
        for (size_t i = 0; i < db->cachedTable().size(); i += 2)
            QVERIFY(db->remove(db->cachedTable().rowId(i)));
        QVERIFY(db->cachedTable().memoryBytes() < 200 * 1024);
        std::vector<ScheduleEntry> kept;
        for (size_t i = 0; i < db->cachedTable().size(); ++i)
            kept.push_back(db->cachedTable().entry(i));
        QVERIFY(db->reload());
        for (size_t i = 0; i < kept.size(); ++i)
            QCOMPARE(db->cachedTable().entry(i), kept[i]);
    }

    void manyEntriesGoInWholeOrNotAtAll()
    {
        auto db = createAndOpen();
        QVERIFY(db->append(entry("03/07/2003", "already there")));
        const QByteArray before = fileBytes(m_path);

        // A refused entry anywhere in the batch keeps every other one out too.
        std::vector<ScheduleEntry> batch = {entry("03/08/2003", "one"), entry("03/09/2003", ""),
                                            entry("03/10/2003", "three")};
        const StoreResult refused = db->appendAll(batch);
        QVERIFY(!refused);
        QVERIFY2(refused.error.contains(QLatin1String("Entry 2 of 3")), qPrintable(refused.error));
        QCOMPARE(fileBytes(m_path), before);
        QCOMPARE(db->cachedTable().size(), size_t(1));

        // A row the file itself refuses half-way takes the rows before it back out.
        execElsewhere(m_path, "CREATE TRIGGER poison BEFORE INSERT ON Schedule WHEN NEW.Type = 'poison' "
                              "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        batch = {entry("03/08/2003", "one"), entry("03/09/2003", "poison"), entry("03/10/2003", "three")};
        QVERIFY(!db->appendAll(batch));
        QCOMPARE(db->table().size(), size_t(1));
        execElsewhere(m_path, "DROP TRIGGER poison");

        // Another program's write in progress refuses the whole batch at once, with the busy message.
        batch = {entry("03/08/2003", "one"), entry("03/09/2003", "two"), entry("03/10/2003", "three")};
        {
            OtherConnection other(m_path);
            QCOMPARE(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
            QCOMPARE(db->appendAll(batch).error, BusySaveText);
            QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
        }
        QCOMPARE(db->table().size(), size_t(1));

        const StoreResult added = db->appendAll(batch);
        QVERIFY2(added, qPrintable(added.error));
        QCOMPARE(db->cachedTable().size(), size_t(4));
        QCOMPARE(added.rowId, db->cachedTable().rowId(3));
        QString error;
        auto reader = ScheduleDatabase::open(m_path, &error);
        QVERIFY2(reader, qPrintable(error));
        QCOMPARE(reader->cachedTable().size(), size_t(4));
        for (size_t i = 1; i < 4; ++i)
            QCOMPARE(reader->cachedTable().entry(i), batch[i - 1]);
    }
};

// The child half of the kill test: write one entry, say so, and wait to be killed.
static int writeAndWait(const QString& path)
{
    QString error;
    auto db = ScheduleDatabase::open(path, &error);
    if (!db || !db->append(entry("03/07/2003", "written before the kill")))
        return 1;
    std::puts("written");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--write-and-wait")
        return writeAndWait(QString::fromLocal8Bit(argv[2]));
    TestScheduleDatabase test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestScheduleDatabase.moc"
