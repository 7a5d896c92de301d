#pragma once

#include "sync/CalendarCollection.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

class ScheduleDatabase;
class SyncLedger;
class SyncQueue;

// Takes the server's changes into the schedule: a new event becomes an entry (or is matched with an entry
// the schedule already has on the same date, second, kind and subject), a changed event changes its entry,
// a deleted one deletes it. Where the entry changed here too, the server's version wins the entry and the
// local version is kept as an extra entry marked " (conflict)", queued to be sent; a local edit of an
// event the server deleted is sent again as a new event. Nothing of either side is lost.
class IncomingEvents
{
public:
    struct Outcome
    {
        int received = 0;
        int conflicts = 0;
        QString error; // the schedule could not take the changes; nothing of them is recorded as synced
    };

    IncomingEvents(ScheduleDatabase& database, SyncLedger& ledger, SyncQueue& queue, QTimeZone local);

    // `writing` is set while the schedule is written, so that the notices of these writes are not taken
    // for the user's own changes.
    Outcome apply(const QList<RemoteEvent>& events, const QStringList& removed, bool& writing);

private:
    ScheduleDatabase& m_database;
    SyncLedger& m_ledger;
    SyncQueue& m_queue;
    QTimeZone m_local;
};
