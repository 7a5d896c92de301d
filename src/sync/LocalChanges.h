#pragma once

#include "store/EntryChange.h"
#include "store/ScheduleEntry.h"
#include "sync/SyncPlanner.h"

#include <QHash>
#include <QString>

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
    LocalChanges(ScheduleDatabase& database, SyncLedger& ledger, SyncQueue& queue);

    void noted(const EntryChanges& changes);
    bool hasNoted() const { return !m_noted.isEmpty(); }
    // Queues what was noted; false when the queue could not be written (the notes are kept).
    bool queueNoted();
    // Compares every entry with what was last synced and queues the differences. An entry another program
    // wrote is found this way too, as the store tells no change of a write that recorded its own identities.
    bool queueAllDifferences();

    // How the planner sees an entry.
    static SyncPlanner::Look lookOf(const ScheduleEntry& entry);
    // Every entry of the schedule as the planner sees it, by UID.
    QHash<QString, SyncPlanner::Look> looks();
    // What the planner needs to know of this side: the records, the entries, the waiting and set-aside ones.
    SyncPlanner::Known known();

private:
    ScheduleDatabase& m_database;
    SyncLedger& m_ledger;
    SyncQueue& m_queue;
    QHash<QString, EntryChange::Kind> m_noted;
};
