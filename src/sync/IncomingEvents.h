#pragma once

#include "sync/EventForm.h"
#include "sync/RemoteCalendar.h"
#include "sync/SyncPlanner.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <vector>

class ScheduleDatabase;
class SyncLedger;
class SyncQueue;

// Carries out what the planner decided about the server's changes: writes the schedule (entries taken
// in, changed, deleted, conflict copies), then the queue of changes to send, then the ledger, each in one
// go. It decides nothing itself.
class IncomingEvents
{
public:
    struct Outcome
    {
        int received = 0;
        int conflicts = 0;
        int sentAgain = 0;
        QStringList notTaken; // events the schedule cannot hold, named
        QString error;        // the schedule file could not take the changes; nothing of them is recorded
    };

    IncomingEvents(ScheduleDatabase& database, SyncLedger& ledger, SyncQueue& queue, QTimeZone local);

    // Reads the server's events as the schedule would hold them, for the planner.
    QList<SyncPlanner::Incoming> read(const QList<RemoteEvent>& events);

    // `writing` is set while the schedule is written, so that the notices of these writes are not taken
    // for the user's own changes. `events` are those given to read().
    Outcome carryOut(const SyncPlanner::Plan& plan, const QList<RemoteEvent>& events,
                     const SyncPlanner::Known& known, bool& writing);

    // How the report names an entry or an event: its subject and date, or its place on the server.
    static QString nameOf(const ScheduleEntry& entry);
    static QString nameOfEvent(const QString& href);

private:
    ScheduleDatabase& m_database;
    SyncLedger& m_ledger;
    SyncQueue& m_queue;
    QTimeZone m_local;
    std::vector<EventForm::Incoming> m_read;
};
