#pragma once

#include "sync/DavError.h"
#include "sync/SyncLedger.h"
#include "sync/SyncQueue.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// Decides what one sync does, from what is known: the ledger's record of what both sides last agreed on,
// how the schedule's entries look now, the changes waiting to be sent, the entries set aside, and what
// the server listed and gave. It returns actions (take in, send, delete here, delete there, keep both,
// set aside) for another part to carry out; it never reads the file or asks the server, so each decision
// can be tried by a table of cases.
class SyncPlanner
{
public:
    // An entry as the planner sees it: no texts, only what tells versions apart.
    struct Look
    {
        QString digest;   // changes whenever one of the entry's fields does
        QString key;      // date, second, kind and subject: what pairs an entry with an event at a first sync
        QString likeness; // everything a person sees of the entry, spellings aside: equal means the same
    };

    using Aside = SyncLedger::Aside;

    struct Known
    {
        QHash<QString, SyncLedger::Record> records; // by UID
        QHash<QString, Look> local;                 // every entry of the schedule, by UID
        QHash<QString, SyncQueue::Change> waiting;  // the change queued for an entry, by UID
        QHash<QString, qint64> revisions;           // the revision of each change queued, by UID
        QHash<QString, Aside> aside;                // by UID
    };

    // What the server said of its events before any was fetched.
    struct Listing
    {
        QHash<QString, QString>
            etags;             // href -> ETag: every event (complete) or those changed since the token
        QStringList removed;   // hrefs the server's change list says are gone
        bool complete = false; // the listing names every event of the calendar
    };

    // One event the server gave, as the schedule would hold it.
    struct Incoming
    {
        QString href;
        QString etag;
        QString uid;
        bool held = false; // the schedule can hold it
        Look look;
    };

    enum class Act
    {
        TakeIn,      // the server's event becomes the entry with its UID (a new entry when none has it)
        Adopt,       // an entry never synced is the same as the server's event: it takes the event's UID
        AdoptBoth,   // an entry never synced pairs with the server's event but differs: both are kept
        KeepBoth,    // changed on both sides: the server's event takes the entry, the entry is kept as a copy
        Agree,       // both sides hold the same: the record is brought up to date
        KeepLocal,   // the server holds what was last synced and the entry changed since: it goes out
        NotHeld,     // the schedule cannot hold the event: recorded, left alone and named
        DeleteHere,  // deleted on the server and unchanged here
        DeleteThere, // deleted here and unchanged there, or the program's own unconfirmed upload
        SendAgain,   // the server lost the event the program put there: it is uploaded once more
        SendAsNew,   // edited here and deleted there, or a write that never arrived: it goes out as new
        SetAside,    // sent twice and still not kept by the server
        Forget,      // gone from both sides: the record goes
        Seen         // the server was seen to hold the program's own upload
    };

    struct Action
    {
        Act act;
        QString uid;          // the entry's UID (for Adopt and AdoptBoth, the event's UID the entry takes)
        QString localUid;     // Adopt, AdoptBoth: the entry's own UID until now
        qsizetype event = -1; // the incoming event the action takes, by position
        QString href;         // DeleteThere, Forget, Seen: the event's place
    };

    // What the pull half decided.
    struct Plan
    {
        QList<Action> actions;
    };

    // How to send one waiting change.
    enum class Send
    {
        New,           // a new event, written only if nothing stands at its place
        Over,          // over the server's event, only if it is still as last seen
        Delete,        // deleted, only if still as last seen
        Drop,          // nothing to send: the entry is gone, or the server never had it
        StillAside,    // the entry is still as it was set aside
        LeaveOnServer, // a deletion of an entry that held a narrowed form of a richer event
        LookFirst      // the server's present ETag is unknown: the next look learns it
    };

    // What becomes of a change after the server answered its write.
    enum class After
    {
        Confirm,   // taken
        LookAgain, // changed on the server meanwhile: looking again settles it
        SetAside,  // the server refused this change: it waits with the server's reason, the others go on
        Fail       // the network or the server failed: the sync ends and is tried again later
    };

    // The events to fetch: those whose ETag differs from the one last seen, and the program's own
    // uploads not yet seen on the server (a server's change list need not mention them).
    static QStringList toFetch(const Listing& listing, const Known& known);
    // `missing`: hrefs asked for that the server no longer has.
    static Plan plan(const Listing& listing, const QList<Incoming>& events, const QStringList& missing,
                     const Known& known);

    static Send outgoing(const SyncQueue::Item& item, const std::optional<SyncLedger::Record>& record,
                         const std::optional<Look>& local, const std::optional<Aside>& aside);
    static After afterWrite(const DavError& error);
};
