#include "sync/SyncPlanner.h"

#include <QTest>

#include <optional>

// The sync's decisions, row by row of its table: what the server's listing and events, the ledger, the
// schedule's entries and the waiting changes make the planner do. No server, no file.
class TestSyncPlanner : public QObject
{
    Q_OBJECT

    using Act = SyncPlanner::Act;
    using Send = SyncPlanner::Send;
    using After = SyncPlanner::After;
    using Sent = SyncLedger::Sent;
    using Form = SyncLedger::Form;

    // Versions of one entry: the same key (date, second, kind, subject), A and B differ in the note.
    static SyncPlanner::Look look(char version, const char* key = "dentist")
    {
        return {QStringLiteral("digest-%1").arg(version), QString::fromLatin1(key),
                QStringLiteral("%1|%2").arg(QString::fromLatin1(key)).arg(version)};
    }

    static SyncLedger::Record record(char agreed, const char* etag = "e1", Sent sent = Sent::Seen,
                                     Form form = Form::Whole)
    {
        return {QStringLiteral("uid-1"),
                QStringLiteral("/cal/uid-1.ics"),
                QString::fromLatin1(etag),
                look(agreed).digest,
                {},
                form,
                sent};
    }

    enum class There
    {
        Gives,    // the server gives the event (changed, or asked for by name)
        Removed,  // its change list says the event is gone
        Missing,  // asked for by name, the server has no such event
        Unlisted, // a complete listing does not name it
        Same      // a complete listing names it with the ETag last seen
    };

    struct Row
    {
        const char* name;
        std::optional<SyncLedger::Record> record;
        char local;   // the entry here now; 0 when there is none
        char waiting; // 'u' upload, 'd' deletion, 0 none
        There there;
        char event; // the server's version; 0 for one the schedule cannot hold
        Act expected;
    };

    static SyncPlanner::Action decideOne(const Row& row)
    {
        SyncPlanner::Known known;
        if (row.record)
            known.records.insert(row.record->uid, *row.record);
        if (row.local)
            known.local.insert(QStringLiteral("uid-1"), look(row.local));
        if (row.waiting) {
            known.waiting.insert(QStringLiteral("uid-1"),
                                 row.waiting == 'u' ? SyncQueue::Change::Upload : SyncQueue::Change::Delete);
        }
        const QString href = QStringLiteral("/cal/uid-1.ics");
        SyncPlanner::Listing listing;
        QList<SyncPlanner::Incoming> events;
        QStringList missing;
        switch (row.there) {
        case There::Gives:
            listing.etags.insert(href, QStringLiteral("e2"));
            events << SyncPlanner::Incoming{href, QStringLiteral("e2"), QStringLiteral("uid-1"),
                                            row.event != 0,
                                            row.event ? look(row.event) : SyncPlanner::Look{}};
            break;
        case There::Removed:
            listing.removed << href;
            break;
        case There::Missing:
            missing << href;
            break;
        case There::Unlisted:
            listing.complete = true;
            break;
        case There::Same:
            listing.complete = true;
            listing.etags.insert(href, row.record ? row.record->etag : QString());
            break;
        }
        const SyncPlanner::Plan plan = SyncPlanner::plan(listing, events, missing, known);
        if (plan.actions.size() != 1)
            return {Act::Forget, QStringLiteral("%1 actions").arg(plan.actions.size()), {}, -1, {}};
        return plan.actions.first();
    }

private slots:
    void eachRowOfTheDecisionTable()
    {
        const QList<Row> rows{
            {"new there", std::nullopt, 0, 0, There::Gives, 'A', Act::TakeIn},
            {"changed there", record('A'), 'A', 0, There::Gives, 'B', Act::TakeIn},
            {"changed here, the server's ETag moved only", record('A'), 'B', 'u', There::Gives, 'A',
             Act::KeepLocal},
            {"changed on both sides: keep both", record('A'), 'B', 'u', There::Gives, 'C', Act::KeepBoth},
            {"changed on both sides, queue lost: keep both", record('A'), 'B', 0, There::Gives, 'C',
             Act::KeepBoth},
            {"changed alike on both sides", record('A'), 'B', 'u', There::Gives, 'B', Act::Agree},
            {"deleted there", record('A'), 'A', 0, There::Removed, 0, Act::DeleteHere},
            {"deleted there, seen by a complete listing", record('A'), 'A', 0, There::Unlisted, 0,
             Act::DeleteHere},
            {"deleted here", record('A'), 0, 'd', There::Gives, 'A', Act::DeleteThere},
            {"deleted here, changed there: the server's version comes back", record('A'), 0, 'd',
             There::Gives, 'B', Act::TakeIn},
            {"edited here, deleted there: sent as new", record('A'), 'B', 'u', There::Removed, 0,
             Act::SendAsNew},
            {"deleted on both sides", record('A'), 0, 'd', There::Removed, 0, Act::Forget},
            {"own unconfirmed upload, deleted here: the deletion wins", record('A', "", Sent::Unconfirmed), 0,
             'd', There::Gives, 'A', Act::DeleteThere},
            {"own unseen upload, deleted here", record('A', "e1", Sent::Unseen), 0, 0, There::Gives, 'A',
             Act::DeleteThere},
            {"own unconfirmed upload edited here since", record('A', "", Sent::Unconfirmed), 'B', 'u',
             There::Gives, 'A', Act::KeepLocal},
            {"own unconfirmed upload that never arrived", record('A', "", Sent::Unconfirmed), 'A', 'u',
             There::Missing, 0, Act::SendAsNew},
            {"taken by the server but missing once: sent again", record('A', "e1", Sent::Unseen), 'A', 0,
             There::Missing, 0, Act::SendAgain},
            {"missing from a change list once: sent again", record('A', "e1", Sent::Unseen), 'A', 0,
             There::Removed, 0, Act::SendAgain},
            {"missing again after it was sent again: set aside", record('A', "e1", Sent::Resent), 'A', 0,
             There::Missing, 0, Act::SetAside},
            {"own upload listed with its ETag: seen", record('A', "e1", Sent::Unseen), 'A', 0, There::Same, 0,
             Act::Seen},
            {"an event the schedule cannot hold", std::nullopt, 0, 0, There::Gives, 0, Act::NotHeld},
            {"left on the server by a deletion here, unchanged there",
             record('A', "e1", Sent::Seen, Form::NotHeld), 0, 0, There::Gives, 'A', Act::NotHeld},
            {"left on the server by a deletion here, changed there",
             record('A', "e1", Sent::Seen, Form::NotHeld), 0, 0, There::Gives, 'B', Act::TakeIn},
        };
        for (const Row& row : rows) {
            const SyncPlanner::Action action = decideOne(row);
            QVERIFY2(action.act == row.expected,
                     qPrintable(
                         QStringLiteral("%1: got %2 %3").arg(row.name).arg(int(action.act)).arg(action.uid)));
        }
    }

    void aFirstSyncPairsAnEntryOnlyWhenNothingDiffers()
    {
        for (const bool same : {true, false}) {
            SyncPlanner::Known known;
            known.local.insert(QStringLiteral("mine"), look('A'));
            // An entry already synced is never paired again.
            known.local.insert(QStringLiteral("synced"), look('A'));
            known.records.insert(QStringLiteral("synced"), {QStringLiteral("synced"),
                                                            QStringLiteral("/cal/s.ics"),
                                                            QStringLiteral("e"),
                                                            look('A').digest,
                                                            {},
                                                            Form::Whole,
                                                            Sent::Seen});
            SyncPlanner::Listing listing;
            listing.etags.insert(QStringLiteral("/cal/theirs.ics"), QStringLiteral("e1"));
            const QList<SyncPlanner::Incoming> events{{QStringLiteral("/cal/theirs.ics"),
                                                       QStringLiteral("e1"), QStringLiteral("theirs"), true,
                                                       look(same ? 'A' : 'B')}};
            const SyncPlanner::Plan plan = SyncPlanner::plan(listing, events, {}, known);
            QCOMPARE(plan.actions.size(), 1);
            QCOMPARE(int(plan.actions.first().act), int(same ? Act::Adopt : Act::AdoptBoth));
            QCOMPARE(plan.actions.first().localUid, QStringLiteral("mine"));
            QCOMPARE(plan.actions.first().uid, QStringLiteral("theirs"));
        }
        // Two events for one entry: the second is taken in beside it, not paired twice.
        SyncPlanner::Known known;
        known.local.insert(QStringLiteral("mine"), look('A'));
        const QList<SyncPlanner::Incoming> events{
            {QStringLiteral("/cal/1.ics"), QStringLiteral("e"), QStringLiteral("one"), true, look('A')},
            {QStringLiteral("/cal/2.ics"), QStringLiteral("e"), QStringLiteral("two"), true, look('A')}};
        const SyncPlanner::Plan plan = SyncPlanner::plan({}, events, {}, known);
        QCOMPARE(plan.actions.size(), 2);
        QCOMPARE(int(plan.actions.at(0).act), int(Act::Adopt));
        QCOMPARE(int(plan.actions.at(1).act), int(Act::TakeIn));
    }

    void onlyChangedEventsAndUnseenUploadsAreFetched()
    {
        SyncPlanner::Known known;
        const auto put = [&](const char* uid, const char* etag, Sent sent) {
            const QString u = QString::fromLatin1(uid);
            known.records.insert(u, {u,
                                     QStringLiteral("/cal/%1.ics").arg(u),
                                     QString::fromLatin1(etag),
                                     {},
                                     {},
                                     Form::Whole,
                                     sent});
        };
        put("same", "e1", Sent::Seen);
        put("moved", "e1", Sent::Seen);
        put("unseen", "e1", Sent::Unseen);
        put("quiet", "e1", Sent::Seen);
        SyncPlanner::Listing changes;
        changes.etags.insert(QStringLiteral("/cal/same.ics"), QStringLiteral("e1"));
        changes.etags.insert(QStringLiteral("/cal/moved.ics"), QStringLiteral("e2"));
        changes.etags.insert(QStringLiteral("/cal/new.ics"), QStringLiteral("e1"));
        // A change list leaves the program's own upload out: it is asked for by name.
        QCOMPARE(SyncPlanner::toFetch(changes, known),
                 (QStringList{"/cal/moved.ics", "/cal/new.ics", "/cal/unseen.ics"}));
        changes.complete = true;
        QCOMPARE(SyncPlanner::toFetch(changes, known), (QStringList{"/cal/moved.ics", "/cal/new.ics"}));
    }

    void eachWaitingChangeIsSentOnlyWhereItMaySafelyGo()
    {
        using Change = SyncQueue::Change;
        struct Case
        {
            const char* name;
            Change change;
            QString href; // the queue's own idea of the place
            std::optional<SyncLedger::Record> record;
            char local;
            std::optional<SyncLedger::Aside> aside;
            Send expected;
        };
        const SyncLedger::Aside asideA{look('A').digest, QStringLiteral("refused")};
        const QList<Case> cases{
            {"new entry", Change::Upload, {}, std::nullopt, 'A', std::nullopt, Send::New},
            {"edit of a known event", Change::Upload, {}, record('A'), 'B', std::nullopt, Send::Over},
            {"edit while the server's ETag is unknown",
             Change::Upload,
             {},
             record('A', ""),
             'B',
             std::nullopt,
             Send::LookFirst},
            {"an unconfirmed upload goes again as new",
             Change::Upload,
             {},
             record('A', "", Sent::Unconfirmed),
             'A',
             std::nullopt,
             Send::New},
            {"sent again after the server lost it",
             Change::Upload,
             {},
             record('A', "", Sent::Resent),
             'A',
             std::nullopt,
             Send::New},
            {"entry gone since it was queued", Change::Upload, {}, record('A'), 0, std::nullopt, Send::Drop},
            {"entry whose event cannot be held",
             Change::Upload,
             {},
             record('A', "e1", Sent::Seen, Form::NotHeld),
             'B',
             std::nullopt,
             Send::Drop},
            {"still as it was set aside", Change::Upload, {}, std::nullopt, 'A', asideA, Send::StillAside},
            {"edited since it was set aside", Change::Upload, {}, std::nullopt, 'B', asideA, Send::New},
            {"deletion", Change::Delete, {}, record('A'), 0, std::nullopt, Send::Delete},
            {"deletion of a narrowed event",
             Change::Delete,
             {},
             record('A', "e1", Sent::Seen, Form::Simplified),
             0,
             std::nullopt,
             Send::LeaveOnServer},
            {"deletion while the server's ETag is unknown",
             Change::Delete,
             {},
             record('A', ""),
             0,
             std::nullopt,
             Send::LookFirst},
            {"deletion of what the server never had",
             Change::Delete,
             {},
             std::nullopt,
             0,
             std::nullopt,
             Send::Drop},
            {"deletion at the queue's place", Change::Delete, QStringLiteral("/cal/x.ics"), std::nullopt, 0,
             std::nullopt, Send::Delete},
            {"deletion of an entry that came back",
             Change::Delete,
             {},
             record('A'),
             'A',
             std::nullopt,
             Send::Drop},
            {"deletion set aside",
             Change::Delete,
             {},
             record('A'),
             0,
             SyncLedger::Aside{{}, QStringLiteral("no")},
             Send::StillAside},
        };
        for (const Case& c : cases) {
            const SyncQueue::Item item{QStringLiteral("uid-1"), c.change, c.href, {}, 1};
            const std::optional<SyncPlanner::Look> local =
                c.local ? std::optional<SyncPlanner::Look>(look(c.local)) : std::nullopt;
            QVERIFY2(SyncPlanner::outgoing(item, c.record, local, c.aside) == c.expected, c.name);
        }
    }

    void aRefusedChangeIsSetAsideAndAFaultEndsTheSync()
    {
        const QList<std::pair<DavError, After>> cases{
            {DavError(), After::Confirm},
            {DavError::fromStatus(412, {}), After::LookAgain},
            {DavError::fromStatus(403, {}), After::SetAside},
            {DavError::fromStatus(400, {}), After::SetAside},
            {DavError::fromStatus(413, {}), After::SetAside},
            {DavError::fromStatus(415, {}), After::SetAside},
            {DavError::fromStatus(401, {}), After::Fail},
            {DavError::fromStatus(404, {}), After::Fail},
            {DavError::fromStatus(409, {}), After::Fail},
            {DavError::fromStatus(429, {}), After::Fail},
            {DavError::fromStatus(500, {}), After::Fail},
            {DavError::fromStatus(507, {}), After::Fail},
            {DavError(DavError::Kind::Timeout, {}), After::Fail},
            {DavError(DavError::Kind::Connection, {}), After::Fail},
            {DavError(DavError::Kind::BadResponse, {}), After::Fail},
        };
        for (const auto& [error, expected] : cases)
            QVERIFY2(SyncPlanner::afterWrite(error) == expected,
                     qPrintable(QString::number(error.httpStatus())));
    }
};

QTEST_GUILESS_MAIN(TestSyncPlanner)
#include "TestSyncPlanner.moc"
