#pragma once

#include "sync/EventForm.h"
#include "sync/RemoteCalendar.h"
#include "sync/SyncLedger.h"
#include "sync/SyncPlanner.h"
#include "sync/SyncQueue.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <vector>

class ScheduleDatabase;

// Carries out what the planner decided about the server's changes: writes the schedule (entries taken
// in, changed, deleted, conflict copies), then the queue of changes to send, then the ledger, each in one
// go. It decides nothing itself.
class IncomingEvents
{
public:
    // What the sync keeps beside the schedule after the server's changes: the queue of changes to send and
    // the ledger's records. Thousands of records take long to write, so they are kept off the window's
    // thread through connections of their own.
    struct Bookkeeping
    {
        QStringList dropped;
        QList<SyncQueue::Item> queued;
        QStringList erased;
        QList<SyncLedger::Record> records;
        QStringList clearedAside;
        QList<std::pair<QString, SyncLedger::Aside>> setAside;
        bool isEmpty() const
        {
            return dropped.isEmpty() && queued.isEmpty() && erased.isEmpty() && records.isEmpty() &&
                   clearedAside.isEmpty() && setAside.isEmpty();
        }
    };

    struct Outcome
    {
        int received = 0;
        int conflicts = 0;
        int sentAgain = 0;
        QStringList notTaken; // events the schedule cannot hold, named
        QString error;        // the schedule file could not take the changes; nothing of them is recorded
        Bookkeeping kept;     // for keep(), once the schedule holds the changes
    };

    IncomingEvents(ScheduleDatabase& database, SyncLedger& ledger, SyncQueue& queue, QTimeZone local);

    // The server's events as the schedule would hold them: for the planner, and the entries themselves.
    struct Read
    {
        QList<SyncPlanner::Incoming> seen;
        std::vector<EventForm::Incoming> forms;
    };
    // Touches neither the schedule nor the ledger, so it runs off the window's thread.
    static Read read(const QList<RemoteEvent>& events, const QTimeZone& local);

    // Writes the schedule. `writing` is set while it is written, so that the notices of these writes are
    // not taken for the user's own changes. `read` is what read() made of `events`. The queue and the
    // ledger are left to keep().
    Outcome carryOut(const SyncPlanner::Plan& plan, const QList<RemoteEvent>& events, const Read& read,
                     const SyncPlanner::Known& known, bool& writing);
    // Writes the queue, then the ledger, through connections of its own to the schedule file at `path`
    // (so it may run on any thread, one at a time); the error, or an empty text.
    static QString keep(const Bookkeeping& kept, const QString& path);

    // How the report names an entry or an event: its subject and date, or its place on the server.
    static QString nameOf(const ScheduleEntry& entry);
    static QString nameOfEvent(const QString& href);

private:
    ScheduleDatabase& m_database;
    SyncLedger& m_ledger;
    SyncQueue& m_queue;
    QTimeZone m_local;
};
