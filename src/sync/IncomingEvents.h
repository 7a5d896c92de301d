#pragma once

#include "sync/EventForm.h"
#include "sync/LocalChanges.h"
#include "sync/RemoteCalendar.h"
#include "sync/SyncLedger.h"
#include "sync/SyncPlanner.h"
#include "sync/SyncQueue.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <memory>
#include <optional>
#include <vector>

class ScheduleDatabase;

// Carries out what the planner decided about the server's changes, off the window's thread through
// connections of its own to the schedule file: prepare() works out what each decision does to the schedule
// and what is kept beside it; an IncomingEvents then writes the schedule a piece at a time (entries taken
// in, changed, deleted, conflict copies), each step checked against the entry as it stands in the file at
// that moment; keep() at last writes the queue of changes to send and the ledger. It decides nothing.
class IncomingEvents
{
public:
    // What the sync keeps beside the schedule after the server's changes: the queue of changes to send and
    // the ledger's records. Thousands of records take long to write, so they are kept off the window's
    // thread through connections of their own.
    struct Bookkeeping
    {
        QList<SyncQueue::Item> dropped; // each as it waited when the plan was made
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
        // Leaves out everything about these entries.
        void leaveOut(const QSet<QString>& uids);
    };

    // What one decision does to the schedule, and the entry it was made for as it then stood.
    struct Step
    {
        QString uid;                     // the entry the decision was made about
        std::optional<qint64> row;       // its row then; nothing when no entry had the UID
        QString digest;                  // its fields' digest then
        QString givenUid;                // the event's UID, which the entry takes
        qsizetype takes = -1;            // the event whose form the entry takes (a new entry without a row)
        bool removes = false;            // the entry is deleted
        std::optional<ScheduleEntry> copy; // the entry as it stood, kept beside as a new entry
        bool conflict = false;
        bool sentAgain = false;
        QString otherUid; // the event's UID when the entry had another: its records are left out too
    };

    struct Prepared
    {
        std::vector<Step> steps;
        Bookkeeping kept;
        QStringList notTaken; // events the schedule cannot hold, named
    };

    struct Outcome
    {
        int received = 0;
        int conflicts = 0;
        int sentAgain = 0;
        QString error;        // the schedule file refused a piece; the pieces before it are kept
        bool passedOver = false; // an entry changed since the plan kept its change, its event unrecorded
        Bookkeeping kept;     // for keep(): what concerns the pieces the schedule holds
    };

    // The server's events as the schedule would hold them: for the planner, and the entries themselves.
    struct Read
    {
        QList<SyncPlanner::Incoming> seen;
        std::vector<EventForm::Incoming> forms;
    };
    // Touches neither the schedule nor the ledger, so it runs off the window's thread.
    static Read read(const QList<RemoteEvent>& events, const QTimeZone& local);

    // Works out the plan from the schedule as `snapshot` holds it and the ledger as `ledger` reads it (a
    // connection of the caller's thread). `read` is what read() made of `events`.
    static Prepared prepare(const SyncPlanner::Plan& plan, const QList<RemoteEvent>& events, const Read& read,
                            const SyncPlanner::Known& known, const LocalChanges::Snapshot& snapshot,
                            const SyncLedger& ledger);

    // `database` is a connection of the calling thread; `read` is what read() made of `events`.
    IncomingEvents(ScheduleDatabase& database, Prepared prepared, std::shared_ptr<const QList<RemoteEvent>> events,
                   std::shared_ptr<const Read> read);
    ~IncomingEvents();

    // Writes the next piece of the schedule, a few hundred steps in a commit or so, so that the file is never
    // held long from the window's own saves; true once every step is written, or the file refused one. A
    // step whose entry changed since the plan is passed over: the change made meanwhile stays.
    static constexpr size_t PieceSteps = 500;
    bool writeSome();
    // What came of it, once writeSome() said it was done.
    Outcome outcome();

    // Writes the queue, then the ledger, through connections of its own to the schedule file at `path`
    // (so it may run on any thread, one at a time); the error, or an empty text.
    static QString keep(const Bookkeeping& kept, const QString& path);

    // How the report names an entry or an event: its subject and date, or its place on the server.
    static QString nameOf(const ScheduleEntry& entry);
    static QString nameOfEvent(const QString& href);

private:
    bool stillAsPlanned(const Step& step);
    void leaveOutFrom(size_t first);

    ScheduleDatabase& m_database;
    Prepared m_prepared;
    std::shared_ptr<const QList<RemoteEvent>> m_events;
    std::shared_ptr<const Read> m_read;
    size_t m_next = 0;
    QSet<QString> m_passedOver;
    Outcome m_outcome;
};
