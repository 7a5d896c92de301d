#include "store/ScheduleDatabase.h"
#include "store/TableRead.h"
#include "support/OtherConnection.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

constexpr int Entries = 20000;

// The bytes of pages the connection keeps after its last statement.
int cachedBytes(sqlite3* db)
{
    int current = 0;
    int highest = 0;
    sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_USED, &current, &highest, 0);
    return current;
}

} // namespace

// A whole read of the schedule: every entry comes into the table, and the connection it came through
// holds no copy of the file's pages afterwards, since the table answers every look from then on.
class TestTableRead : public QObject
{
    Q_OBJECT

private slots:
    void theReadHoldsNoPagesAndLeavesRoomForNewEntries()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("many.vmr"));
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(path));
        const QByteArray fill =
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO Schedule SELECT '06/12/2014', 'Thursday', 'Subject ' || i, "
                           "'a note long enough to fill a few pages ' || i, '10:00:00 AM', 'on', "
                           "'OneTime' FROM n")
                .arg(Entries)
                .toUtf8();
        QCOMPARE(OtherConnection(path).exec(fill.constData()), SQLITE_OK);

        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr),
                 SQLITE_OK);
        const TableRead first = TableRead::from(db);
        QVERIFY(first.ok);
        QCOMPARE(first.table.size(), size_t(Entries));
        QVERIFY2(cachedBytes(db) < 64 * 1024, qPrintable(QStringLiteral("%1 bytes").arg(cachedBytes(db))));

        // The connection reads as well afterwards.
        TableRead second = TableRead::from(db);
        QCOMPARE(second.table.text(Entries - 1, ScheduleField::Subject),
                 QStringLiteral("Subject %1").arg(Entries));
        sqlite3_close(db);

        // The table keeps room for the program's own next entries: the first ones it adds after the read
        // move none of its arrays (these have no texts of their own, so nothing else grows).
        ScheduleTable& table = second.table;
        const size_t held = table.memoryBytes();
        for (qint64 row = Entries + 1; row <= Entries + 100; ++row)
            table.append(row, ScheduleEntry::make("06/13/2014", "Friday", QString(), QString(), "09:00:00 AM",
                                                  "on", "OneTime"));
        QCOMPARE(table.memoryBytes(), held);
    }
};

QTEST_GUILESS_MAIN(TestTableRead)
#include "TestTableRead.moc"
