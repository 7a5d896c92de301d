#pragma once

#include "store/EntryChange.h"
#include "store/EntryIdentities.h"
#include "store/ScheduleEntry.h"
#include "store/ScheduleTable.h"
#include "sync/SyncPlanner.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class ScheduleDatabase;
class SyncLedger;
class SyncQueue;

// Turns what the schedule says changed into the changes the server is to be sent: an entry added or
// edited is queued as an upload, one deleted as a deletion, unless the entry is just as it was last
// synced (the notice of a sync's own write, here or in another program). The queue is in the file, so a
// change noted here survives the end of the program once queued; what changed while no program was
// running is found by comparing every entry with what was last synced.
class LocalChanges
{
public:
    // The schedule as it stood at one moment, for the work of a sync off the window's thread: a copy of the
    // table and of the identities beside it, copied in a few milliseconds even for a large schedule.
    struct Snapshot
    {
        ScheduleTable table;
        EntryIdentities identities;
        // The position of each entry, by UID; filled by index(), off the window's thread.
        QHash<QString, size_t> positions;
        void index();
        // The entry with this UID and its row, or nothing.
        std::optional<std::pair<qint64, ScheduleEntry>> entryOf(const QString& uid) const;
    };

    LocalChanges(ScheduleDatabase& database, SyncLedger& ledger, SyncQueue& queue);

    void noted(const EntryChanges& changes);
    bool hasNoted() const { return !m_noted.isEmpty(); }
    // Queues what was noted; false when the queue could not be written (the notes are kept). While a sync
    // writes, the window's copy of the schedule takes in the entries it received before the ledger records
    // them: `keepUnrecorded` then leaves the entries the ledger does not know noted, to be queued once it
    // does, instead of queueing each as new and sending the server its own events back.
    bool queueNoted(bool keepUnrecorded = false);
    // The changes that comparing every entry of `snapshot` with what was last synced finds: an entry another
    // program wrote is found this way too, as the store tells no change of a write that recorded its own
    // identities. Each carries the revision of the change waiting for its entry (0: none), so that it is
    // queued only where nothing newer was queued meanwhile (SyncQueue::enqueueWhereUnchanged).
    static QList<SyncQueue::Item> differences(const Snapshot& snapshot,
                                              const QHash<QString, SyncLedger::Record>& records,
                                              const QHash<QString, SyncLedger::Aside>& aside,
                                              const QList<SyncQueue::Item>& pending);

    // The schedule as it stands now, copied; the window's thread takes it, the copy is read elsewhere.
    static Snapshot snapshotOf(ScheduleDatabase& database);
    // How the planner sees an entry.
    static SyncPlanner::Look lookOf(const ScheduleEntry& entry);
    // The entries with these UIDs as the planner sees them, by UID; a UID no entry has is left out.
    QHash<QString, SyncPlanner::Look> looksOf(const QStringList& uids);
    // What the planner needs to know of this side: the records, the entries of `snapshot` (indexed), the
    // waiting and set-aside ones. Reads the ledger and the queue through the connections given, so it runs
    // on any thread.
    static SyncPlanner::Known knownOf(const Snapshot& snapshot, const SyncLedger& ledger,
                                      const SyncQueue& queue);

private:
    ScheduleDatabase& m_database;
    SyncLedger& m_ledger;
    SyncQueue& m_queue;
    QHash<QString, EntryChange::Kind> m_noted;
};
