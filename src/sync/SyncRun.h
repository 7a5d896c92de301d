#pragma once

#include "sync/DavError.h"
#include "sync/IncomingEvents.h"
#include "sync/RemoteCalendar.h"
#include "sync/SyncPlanner.h"
#include "sync/SyncQueue.h"

#include <QObject>
#include <QStringList>
#include <QTimeZone>

#include <atomic>
#include <functional>
#include <memory>

class Clock;
class ScheduleDatabase;
class SyncLedger;
struct SyncReport;

// One sync of the schedule with the account's calendar. It gathers what is known (the changes since the
// last sync token where the server keeps them, otherwise the ETags of the whole calendar; then the events
// that changed and the program's own uploads not yet seen there), hands it to the planner, has the
// decisions carried out, and then sends every local change waiting in the queue, each guarded by the
// ETag last seen. A write met by a change on the server makes the run look once more, and so does a new
// event sent, so that the next sync token is taken after the program's own uploads and an upload the
// server lost is noticed. A change the server refuses is set aside with its reason and the rest go on.
// Every step answers through callbacks: the run never waits on the network.
class SyncRun : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        ScheduleDatabase& database;
        SyncLedger& ledger;
        SyncQueue& queue;
        RemoteCalendar& collection;
        Clock& clock;
        QTimeZone local;
    };
    using Done = std::function<void(const SyncReport&, const DavError&)>;

    SyncRun(Parts parts, QObject* parent = nullptr);
    ~SyncRun() override;

    void run(Done done);

private:
    void pull();
    void askChanges(const QString& token, SyncPlanner::Listing listing);
    void listWhole();
    void fetchAndDecide(const SyncPlanner::Listing& listing, const QString& token);
    void fetchWanted(const SyncPlanner::Listing& listing, const QString& token, const QStringList& wanted);
    // `listedByEvents`: the listing is the events fetched, each with its ETag.
    void decide(const SyncPlanner::Listing& listing, const FetchResult& fetched, const QString& token,
                bool listedByEvents = false);
    void noteIgnored(const QStringList& ignored);
    struct Settled;
    static Settled settle(const SyncPlanner::Listing& listing, const QList<RemoteEvent>& events,
                          const QStringList& missing, const QString& token, const QString& path,
                          const QTimeZone& local, bool compareAll, const std::atomic<bool>& ended);
    void settledThere(const QStringList& ignored, const QStringList& unreadable, const Settled& settled);
    void caughtUp();
    void push();
    void sendNext();
    void sendUpload(const SyncQueue::Item& item, const std::optional<SyncLedger::Record>& record,
                    SyncPlanner::Send how);
    void sendDelete(const SyncQueue::Item& item, const std::optional<SyncLedger::Record>& record);
    void sent(const SyncQueue::Item& item, const WriteResult& result, const std::function<void()>& recordIt,
              const std::function<void()>& forgetIt);
    void failSchedule(const QString& message);
    void fail(const DavError& error);
    void finish();

    struct Progress;
    Parts m_parts;
    std::unique_ptr<Progress> m_progress;
    // Set when the run ends, so that its work off the window's thread stops writing.
    std::shared_ptr<std::atomic<bool>> m_ended = std::make_shared<std::atomic<bool>>(false);
    Done m_done;
};
