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

    // The server's events as the schedule would hold them: for the planner, and the entries themselves.
    struct Read
    {
        QList<SyncPlanner::Incoming> seen;
        std::vector<EventForm::Incoming> forms;
    };
    // Touches neither the schedule nor the ledger, so it runs off the window's thread.
    static Read read(const QList<RemoteEvent>& events, const QTimeZone& local);

    // `writing` is set while the schedule is written, so that the notices of these writes are not taken
    // for the user's own changes. `read` is what read() made of `events`.
    Outcome carryOut(const SyncPlanner::Plan& plan, const QList<RemoteEvent>& events, const Read& read,
                     const SyncPlanner::Known& known, bool& writing);

    // How the report names an entry or an event: its subject and date, or its place on the server.
    static QString nameOf(const ScheduleEntry& entry);
    static QString nameOfEvent(const QString& href);

private:
    ScheduleDatabase& m_database;
    SyncLedger& m_ledger;
    SyncQueue& m_queue;
    QTimeZone m_local;
};
