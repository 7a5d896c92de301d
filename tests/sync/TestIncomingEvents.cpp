#include "sync/IncomingEvents.h"

#include "store/ScheduleDatabase.h"
#include "sync/EventForm.h"
#include "sync/LocalChanges.h"
#include "sync/SyncLedger.h"
#include "sync/SyncQueue.h"

#include <QTemporaryDir>
#include <QTest>

// The server's changes written into the schedule a piece at a time through a connection of the sync's own,
// after a plan made from a copy of it: an entry the window changed since the plan keeps its change, and
// nothing is recorded for its event.
class TestIncomingEvents : public QObject
{
    Q_OBJECT

private:
    using Act = SyncPlanner::Act;

    struct Side
    {
        std::unique_ptr<ScheduleDatabase> database;
        std::unique_ptr<SyncLedger> ledger;
        std::unique_ptr<SyncQueue> queue;
    };

    QTemporaryDir m_dir;
    int m_files = 0;
    const QTimeZone m_local{QByteArrayLiteral("Europe/Berlin")};

    Side opened()
    {
        const QString path = m_dir.filePath(QStringLiteral("schedule-%1.vmr").arg(++m_files));
        Side side;
        if (!ScheduleDatabase::CreateDatabaseFile(path))
            return side;
        side.database = ScheduleDatabase::open(path, nullptr);
        side.ledger = SyncLedger::open(path, nullptr);
        side.queue = SyncQueue::open(path, nullptr);
        return side;
    }

    static QByteArray eventData(const QByteArray& uid, const QByteArray& subject, int day)
    {
        const QByteArray date = "202605" + QByteArray::number(day).rightJustified(2, '0');
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
               "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:" + date + "T093000\r\nDTEND:" + date +
               "T103000\r\nSUMMARY:" + subject + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    }

    static std::optional<QString> subjectOf(ScheduleDatabase& database, const QString& uid)
    {
        const std::optional<qint64> row = database.rowOf(uid);
        const ScheduleTable& table = database.table();
        if (!row || table.indexOf(*row) == table.size())
            return std::nullopt;
        return table.entry(table.indexOf(*row))[ScheduleField::Subject];
    }

    static IncomingEvents::Outcome writtenWhole(IncomingEvents& incoming, int* pieces = nullptr)
    {
        int count = 1;
        while (!incoming.writeSome())
            ++count;
        if (pieces)
            *pieces = count;
        return incoming.outcome();
    }

private slots:
    // While a sync writes, the window takes in the entries it received before the ledger records them:
    // those wait, and are queued only once the ledger knows them, so that nothing goes back unchanged; an
    // entry the ledger already knows is queued at once, as a change made here.
    void entriesReceivedDuringASyncWaitForTheirRecords()
    {
        Side side = opened();
        QVERIFY(side.database && side.ledger && side.queue);
        ScheduleDatabase& database = *side.database;
        const EventForm::Incoming known = EventForm::read(eventData("known", "Known", 3), m_local);
        const EventForm::Incoming received = EventForm::read(eventData("received", "Received", 4), m_local);
        QVERIFY(database.writeImport({{&known.entry, 0, QStringLiteral("known"), {}, {}},
                                      {&received.entry, 0, QStringLiteral("received"), {}, {}}}));
        QVERIFY(side.ledger->put({QStringLiteral("known"), QStringLiteral("/cal/known.ics"), QStringLiteral("1"),
                                  QStringLiteral("an older digest"), eventData("known", "Known", 3)}));
        LocalChanges local(database, *side.ledger, *side.queue);
        local.noted({{EntryChange::Kind::Changed, QStringLiteral("known"), *database.rowOf(QStringLiteral("known"))},
                     {EntryChange::Kind::Added, QStringLiteral("received"),
                      *database.rowOf(QStringLiteral("received"))}});

        QVERIFY(local.queueNoted(true));
        QVERIFY(side.queue->itemFor(QStringLiteral("known")));
        QVERIFY(!side.queue->itemFor(QStringLiteral("received")));
        QVERIFY(local.hasNoted());

        // The sync recorded it as it came: nothing is left to send.
        QVERIFY(side.ledger->put({QStringLiteral("received"), QStringLiteral("/cal/received.ics"),
                                  QStringLiteral("1"), EventForm::digest(received.entry),
                                  eventData("received", "Received", 4)}));
        QVERIFY(local.queueNoted());
        QVERIFY(!side.queue->itemFor(QStringLiteral("received")));
        QVERIFY(!local.hasNoted());
    }

    void aStepWhoseEntryChangedSinceThePlanIsPassedOver_data()
    {
        QTest::addColumn<int>("act");
        QTest::addColumn<QString>("meanwhile"); // what the user did after the plan was made
        QTest::addColumn<QString>("subject");   // of the entry afterwards; empty: it is gone
        QTest::addColumn<bool>("passedOver");
        QTest::addColumn<int>("received");
        QTest::newRow("taken in") << int(Act::TakeIn) << "" << "Server" << false << 1;
        QTest::newRow("taken in over an edit made since") << int(Act::TakeIn) << "edit" << "Mine" << true << 0;
        QTest::newRow("taken in over a deletion made since") << int(Act::TakeIn) << "delete" << "" << true << 0;
        QTest::newRow("deleted here") << int(Act::DeleteHere) << "" << "" << false << 1;
        QTest::newRow("deleted here over an edit made since") << int(Act::DeleteHere) << "edit" << "Mine" << true << 0;
        QTest::newRow("agreed, edited since") << int(Act::Agree) << "edit" << "Mine" << true << 0;
    }

    void aStepWhoseEntryChangedSinceThePlanIsPassedOver()
    {
        QFETCH(int, act);
        QFETCH(QString, meanwhile);
        QFETCH(QString, subject);
        QFETCH(bool, passedOver);
        QFETCH(int, received);
        Side side = opened();
        QVERIFY(side.database && side.ledger && side.queue);
        ScheduleDatabase& database = *side.database;
        // The window's connection, beside the sync's.
        const std::unique_ptr<ScheduleDatabase> window = ScheduleDatabase::open(database.path(), nullptr);
        QVERIFY(window);
        const ScheduleEntry before = EventForm::read(eventData("x", "Before", 3), m_local).entry;
        const StoreResult added = database.append(before);
        QVERIFY(added);
        QVERIFY(database.setUid(added.rowId, QStringLiteral("x")));
        QVERIFY(side.ledger->put({"x", "/cal/x.ics", "\"1\"", EventForm::digest(before),
                                  eventData("x", "Before", 3), SyncLedger::Form::Whole, SyncLedger::Sent::Seen}));
        // A change of the entry waited when the plan was made: the server's version lets it go.
        QVERIFY(side.queue->enqueue("x", SyncQueue::Change::Upload, {}, {}));

        QList<RemoteEvent> events;
        if (act != int(Act::DeleteHere))
            events << RemoteEvent{"/cal/x.ics", "\"2\"", "x", eventData("x", "Server", 3)};
        const IncomingEvents::Read read = IncomingEvents::read(events, m_local);
        LocalChanges::Snapshot snapshot = LocalChanges::snapshotOf(database);
        snapshot.index();
        const SyncPlanner::Known known = LocalChanges::knownOf(snapshot, *side.ledger, *side.queue);
        SyncPlanner::Plan plan;
        plan.actions << SyncPlanner::Action{Act(act), "x", {}, events.isEmpty() ? -1 : 0, "/cal/x.ics"};
        IncomingEvents::Prepared prepared =
            IncomingEvents::prepare(plan, events, read, known, snapshot, *side.ledger);

        if (meanwhile == QLatin1String("edit")) {
            ScheduleEntry mine = before;
            mine[ScheduleField::Subject] = QStringLiteral("Mine");
            window->table();
            QVERIFY(window->update(added.rowId, mine));
        } else if (meanwhile == QLatin1String("delete")) {
            window->table();
            QVERIFY(window->remove(added.rowId));
        }
        IncomingEvents incoming(database, std::move(prepared), std::make_shared<QList<RemoteEvent>>(events),
                                std::make_shared<IncomingEvents::Read>(read));
        const IncomingEvents::Outcome outcome = writtenWhole(incoming);

        QVERIFY(outcome.error.isEmpty());
        QCOMPARE(subjectOf(database, "x").value_or(QString()), subject);
        QCOMPARE(outcome.passedOver, passedOver);
        QCOMPARE(outcome.received, received);
        // Nothing is recorded or let go for an entry passed over; otherwise its waiting change is let go.
        const bool recorded = !outcome.kept.records.isEmpty() || !outcome.kept.erased.isEmpty();
        QCOMPARE(recorded, !passedOver);
        QCOMPARE(outcome.kept.dropped.isEmpty(), passedOver);
        if (!passedOver)
            QCOMPARE(outcome.kept.dropped.first().revision, 1);
    }

    void aLargePlanIsWrittenInPiecesAndWhole()
    {
        Side side = opened();
        QVERIFY(side.database && side.ledger && side.queue);
        QList<RemoteEvent> events;
        SyncPlanner::Plan plan;
        const int count = int(IncomingEvents::PieceSteps) * 2 + 100;
        for (int i = 0; i < count; ++i) {
            const QByteArray uid = "e" + QByteArray::number(i);
            events << RemoteEvent{"/cal/" + uid + ".ics", "\"1\"", uid, eventData(uid, "Event " + uid, 1 + i % 28)};
            plan.actions << SyncPlanner::Action{Act::TakeIn, uid, {}, i, events.last().href};
        }
        const IncomingEvents::Read read = IncomingEvents::read(events, m_local);
        LocalChanges::Snapshot snapshot = LocalChanges::snapshotOf(*side.database);
        snapshot.index();
        const SyncPlanner::Known known = LocalChanges::knownOf(snapshot, *side.ledger, *side.queue);
        IncomingEvents incoming(*side.database,
                                IncomingEvents::prepare(plan, events, read, known, snapshot, *side.ledger),
                                std::make_shared<QList<RemoteEvent>>(events),
                                std::make_shared<IncomingEvents::Read>(read));
        int pieces = 0;
        const IncomingEvents::Outcome outcome = writtenWhole(incoming, &pieces);
        QCOMPARE(pieces, 3);
        QCOMPARE(outcome.received, count);
        QCOMPARE(outcome.kept.records.size(), count);
        QVERIFY(!outcome.passedOver);
        QCOMPARE(side.database->table().size(), size_t(count));
        const QString last = QStringLiteral("e%1").arg(count - 1);
        QCOMPARE(subjectOf(*side.database, last).value_or(QString()), QStringLiteral("Event ") + last);
    }
};

QTEST_GUILESS_MAIN(TestIncomingEvents)
#include "TestIncomingEvents.moc"
