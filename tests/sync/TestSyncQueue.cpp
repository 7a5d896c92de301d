#include "sync/SyncQueue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The queue of local changes waiting for the calendar server: one change per entry, the latest, kept
// across a restart, and let go only for the revision the server confirmed.
class TestSyncQueue : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString newFile() { return m_dir.filePath(QStringLiteral("schedule-%1.vmr").arg(++m_files)); }

    static std::unique_ptr<SyncQueue> opened(const QString& path)
    {
        QString why;
        auto queue = SyncQueue::open(path, &why);
        if (!queue)
            qWarning("%s", qPrintable(why));
        return queue;
    }

private slots:
    void oneChangeWaitsPerEntryAndSurvivesARestart()
    {
        const QString path = newFile();
        {
            auto queue = opened(path);
            QVERIFY(queue);
            QVERIFY(queue->enqueue("a", SyncQueue::Change::Upload, {}, {}));
            QVERIFY(queue->enqueue("b", SyncQueue::Change::Upload, "/cal/b.ics", "\"b1\""));
            QVERIFY(queue->enqueue("a", SyncQueue::Change::Upload, {}, {}));
            QVERIFY(queue->enqueue("c", SyncQueue::Change::Upload, {}, {}));
            // Deleting an entry the server never had only cancels its upload.
            QVERIFY(queue->enqueue("c", SyncQueue::Change::Delete, {}, {}));
            // Deleting one it has keeps where it is and its ETag.
            QVERIFY(queue->enqueue("b", SyncQueue::Change::Delete, {}, {}));
            QCOMPARE(queue->size(), 2);
        }
        auto again = opened(path);
        QVERIFY(again);
        const QList<SyncQueue::Item> items = again->pending();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0).uid, QStringLiteral("a"));
        QCOMPARE(items.at(0).change, SyncQueue::Change::Upload);
        QCOMPARE(items.at(0).revision, 2);
        QCOMPARE(items.at(1).uid, QStringLiteral("b"));
        QCOMPARE(items.at(1).change, SyncQueue::Change::Delete);
        QCOMPARE(items.at(1).href, QStringLiteral("/cal/b.ics"));
        QCOMPARE(items.at(1).etag, QStringLiteral("\"b1\""));
    }

    void aConfirmationLetsOnlyTheRevisionSentGo()
    {
        auto queue = opened(newFile());
        QVERIFY(queue);
        QVERIFY(queue->enqueue("a", SyncQueue::Change::Upload, {}, {}));
        const SyncQueue::Item sent = queue->pending().first();
        // Edited again while the upload was under way.
        QVERIFY(queue->enqueue("a", SyncQueue::Change::Upload, {}, {}));
        QVERIFY(queue->confirm(sent, "/cal/a.ics", "\"a1\""));
        QCOMPARE(queue->size(), 1);
        const SyncQueue::Item next = queue->pending().first();
        QCOMPARE(next.href, QStringLiteral("/cal/a.ics"));
        QCOMPARE(next.etag, QStringLiteral("\"a1\""));
        QVERIFY(queue->confirm(next, "/cal/a.ics", "\"a2\""));
        QCOMPARE(queue->size(), 0);
        // A confirmation that comes twice (a restart between send and confirmation) changes nothing.
        QVERIFY(queue->confirm(next, "/cal/a.ics", "\"a2\""));
        QCOMPARE(queue->size(), 0);
    }

    void manyChangesLetGoAtOnceLeaveTheOthers()
    {
        auto queue = opened(newFile());
        QVERIFY(queue);
        QVERIFY(queue->enqueueAll({{"a", SyncQueue::Change::Upload, {}, {}, 0},
                                   {"b", SyncQueue::Change::Upload, {}, {}, 0},
                                   {"c", SyncQueue::Change::Delete, "/cal/c.ics", "\"c1\"", 0}}));
        // "a" is edited again after the sync looked: its newer change stays.
        QVERIFY(queue->enqueue("a", SyncQueue::Change::Upload, {}, {}));
        QVERIFY(queue->dropWhereUnchanged({{"a", SyncQueue::Change::Upload, {}, {}, 1},
                                           {"c", SyncQueue::Change::Delete, {}, {}, 1},
                                           {"never queued", SyncQueue::Change::Upload, {}, {}, 1}}));
        QVERIFY(queue->dropWhereUnchanged({}));
        QCOMPARE(queue->size(), 2);
        QCOMPARE(queue->pending().at(0).uid, QStringLiteral("a"));
        QCOMPARE(queue->pending().at(1).uid, QStringLiteral("b"));
    }

    // A comparison of every entry queues what it found only where nothing newer was queued since it looked.
    void aChangeFoundByComparingStandsBackForANewerOne_data()
    {
        QTest::addColumn<int>("queuedBefore"); // 0: nothing waited when the comparison looked
        QTest::addColumn<bool>("queuedSince");
        QTest::addColumn<int>("foundRevision");
        QTest::addColumn<QString>("waits");
        QTest::addColumn<int>("revision");
        QTest::newRow("nothing waits: queued") << 0 << false << 0 << "upload" << 1;
        QTest::newRow("queued since: stays") << 0 << true << 0 << "delete" << 1;
        QTest::newRow("waited unchanged: taken") << 1 << false << 1 << "upload" << 2;
        QTest::newRow("edited again since: stays") << 1 << true << 1 << "delete" << 2;
    }

    void aChangeFoundByComparingStandsBackForANewerOne()
    {
        QFETCH(int, queuedBefore);
        QFETCH(bool, queuedSince);
        QFETCH(int, foundRevision);
        QFETCH(QString, waits);
        QFETCH(int, revision);
        auto queue = opened(newFile());
        QVERIFY(queue);
        if (queuedBefore)
            QVERIFY(queue->enqueue("a", SyncQueue::Change::Delete, "/cal/a.ics", "\"a1\""));
        if (queuedSince)
            QVERIFY(queue->enqueue("a", SyncQueue::Change::Delete, "/cal/a.ics", "\"a1\""));
        QVERIFY(queue->enqueueWhereUnchanged(
            {{"a", SyncQueue::Change::Upload, "/cal/a.ics", "\"a1\"", foundRevision}}));
        const std::optional<SyncQueue::Item> item = queue->itemFor("a");
        QVERIFY(item);
        QCOMPARE(item->change == SyncQueue::Change::Upload ? QStringLiteral("upload") : QStringLiteral("delete"),
                 waits);
        QCOMPARE(item->revision, revision);
    }

    void textsAreKeptAsTheyAre()
    {
        auto queue = opened(newFile());
        QVERIFY(queue);
        const QString uid = QStringLiteral("O'Brien \"quoted\" ümlaut; DROP TABLE SyncQueue");
        QVERIFY(queue->enqueue(uid, SyncQueue::Change::Upload, QStringLiteral("/cal/%C3%BC.ics"), "W/\"x\""));
        QCOMPARE(queue->pending().first().uid, uid);
        QCOMPARE(queue->pending().first().href, QStringLiteral("/cal/%C3%BC.ics"));
    }

    void aFileThatIsNoDatabaseIsRefusedWithAReason()
    {
        const QString path = newFile();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        QString why;
        QVERIFY(!SyncQueue::open(path, &why));
        QVERIFY2(why.contains(path), qPrintable(why));
        QCOMPARE(QFile(path).size(), 4096);
    }
};

QTEST_GUILESS_MAIN(TestSyncQueue)
#include "TestSyncQueue.moc"
