#pragma once

#include "sync/CalendarCollection.h"
#include "sync/DavError.h"
#include "sync/SyncQueue.h"

#include <QObject>
#include <QStringList>
#include <QTimeZone>

#include <functional>

class Clock;
class ScheduleDatabase;
class SyncLedger;
struct SyncReport;

// One sync of the schedule with the account's calendar: first what changed on the server (the changes
// since the last sync token where the server keeps them, otherwise the ETags of the whole calendar
// against the last ones seen) is taken in, then every local change waiting in the queue is sent, each
// guarded by the ETag last seen. A write the server refuses because the event changed meanwhile (412)
// makes the run look at the server once more, so that the conflict is settled in the same sync. Every
// step answers through callbacks: the run never waits on the network.
class SyncRun : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        ScheduleDatabase& database;
        SyncLedger& ledger;
        SyncQueue& queue;
        CalendarCollection& collection;
        Clock& clock;
        QTimeZone local;
        bool& writingSchedule; // set while the run writes the server's changes into the schedule
    };
    using Done = std::function<void(const SyncReport&, const DavError&)>;

    // `lookAtEveryEntry`: before sending, compare every entry with what was last synced (the first sync
    // of a run, which cannot know what changed while no program ran).
    SyncRun(Parts parts, bool lookAtEveryEntry, QObject* parent = nullptr);
    ~SyncRun() override;

    void run(Done done);

private:
    void pull();
    void askChanges(const QString& token, QHash<QString, QString> changed, QStringList removed);
    void listWhole();
    void fetchAndApply(const QHash<QString, QString>& changed, QStringList removed, const QString& token);
    void apply(const QList<RemoteEvent>& events, const QStringList& removed, const QString& token);
    void push();
    void sendNext();
    void sendUpload(const SyncQueue::Item& item);
    void sendDelete(const SyncQueue::Item& item);
    void sent(const SyncQueue::Item& item, const WriteResult& result, const std::function<void()>& recordIt);
    void fail(const DavError& error);
    void finish();

    struct Progress;
    Parts m_parts;
    bool m_lookAtEveryEntry;
    std::unique_ptr<Progress> m_progress;
    Done m_done;
};
