#include "store/DateText.h"
#include "store/Recordset.h"
#include "store/ScheduleDatabase.h"

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
        const QByteArray before = fileBytes(m_path);
        auto db = createAndOpen();
        QVERIFY(db);
        QCOMPARE(db->cachedTable().size(), size_t(1));
        QCOMPARE(db->cachedTable().text(0, ScheduleField::Type), QStringLiteral("Dentist"));
        QCOMPARE(fileBytes(m_path), before);
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
            walked << rs.field(ScheduleField::Note) + u'/' + rs.field(ScheduleField::SchedType);
        QCOMPARE(walked, QStringList({"first/OneTime", "same/onetime", "same/OneTime"}));

        // The kind is matched in any case; the first record in walk order is the one found.
        QVERIFY(rs.locate("03/07/2003", "ONETIME", "Dentist", "same", "10:30:00 AM"));
        QCOMPARE(rs.field(ScheduleField::SchedType), QStringLiteral("onetime"));
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
        QCOMPARE(rs.field(ScheduleField::Type), QStringLiteral("three"));
        rs.moveFirst();
        rs.moveNext();
        QCOMPARE(rs.field(ScheduleField::Type), QStringLiteral("two"));
        QVERIFY(rs.deleteCurrent());
        // After a delete the walk goes on with the record that followed.
        rs.moveNext();
        QCOMPARE(rs.field(ScheduleField::Type), QStringLiteral("three"));
        rs.moveNext();
        QVERIFY(rs.atEnd());
        QCOMPARE(rs.recordCount(), size_t(2));

        // A new record is appended at the end even after a deletion.
        QVERIFY(db->append(entry("03/08/2003", "four")));
        QStringList walked;
        for (rs.moveFirst(); !rs.atEnd(); rs.moveNext())
            walked << rs.field(ScheduleField::Type);
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
        QTest::newRow("empty subject") << int(ScheduleField::Type) << ""
                                       << "The subject cannot be empty.";
        QTest::newRow("empty alarm switch") << int(ScheduleField::AlarmOnOff) << ""
                                            << "The alarm switch cannot be empty.";
        QTest::newRow("51-character subject")
            << int(ScheduleField::Type) << QString(51, u'x')
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
        QCOMPARE(db->cachedTable().text(0, ScheduleField::Type), wide);
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
        QCOMPARE(table.text(0, ScheduleField::Type), QStringLiteral("changed"));
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
        QCOMPARE(db->cachedTable().text(0, ScheduleField::Type), QStringLiteral("written before the kill"));
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
