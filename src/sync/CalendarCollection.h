#pragma once

#include "sync/DavError.h"
#include "sync/RemoteCalendar.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class DavClient;
struct DavReply;

// The requests a sync makes of one calendar collection: its state, its events' ETags, the events
// themselves (every one by a calendar query, or chosen ones by a multiget), the changes since a sync
// token, and writes guarded by ETags, so that an event changed on the server meanwhile is never
// overwritten: such a write comes back as a Conflict. Every answer comes through a callback on the
// thread that asked, read in full beforehand on a thread of its own, so that a large or hostile answer
// never holds the window. Only events inside the collection on the same server are read, written or
// deleted: any other href the server names is ignored with a line that says why.
class CalendarCollection : public QObject, public RemoteCalendar
{
    Q_OBJECT

public:
    // Multigets ask for at most this many events at once, so that no single answer grows without bound.
    static constexpr int FetchBatch = 250;
    // The most each kind of answer may hold. The whole calendar at once leaves 2.5 KB an event for
    // 100,000 events (twice a usual event with its time zone); when it is larger still, the events come
    // by multigets instead, whose batches are halved until they fit. A listing of ETags or changes
    // needs under 400 bytes an event.
    static constexpr qint64 WholeCalendarAnswer = qint64(256) << 20;
    static constexpr qint64 ListingAnswer = qint64(128) << 20;
    static constexpr qint64 BatchAnswer = qint64(64) << 20;

    enum class Place
    {
        Self,   // the collection itself
        Member, // an event (or other resource) directly inside it
        Outside // anywhere else: another server, another folder, a path that climbs out
    };
    // Where an href of the server's answer points, resolved against the collection; `why` says why an
    // outside one is.
    static Place placeOf(const QUrl& collection, const QString& href, QString* why = nullptr);

    CalendarCollection(DavClient& client, const QUrl& url, QObject* parent = nullptr);

    const QUrl& url() const override { return m_url; }
    // The href a new event with this UID is written to: the UID's safe characters under the collection.
    QString hrefForUid(const QString& uid) const override;
    QUrl urlOf(const QString& href) const;

    void readState(Done<CollectionState> done) override;
    void listEtags(Done<EtagListing> done) override;
    void fetchAll(Done<FetchResult> done) override;
    void fetch(const QStringList& hrefs, Done<FetchResult> done) override;
    void changesSince(const QString& token, Done<SyncChanges> done) override;
    // Writes an event: a new one (`etag` empty) only if nothing is at `href` yet, a known one only if it
    // is still at `etag`.
    void put(const QString& href, const QByteArray& calendar, const QString& etag,
             Done<WriteResult> done) override;
    void remove(const QString& href, const QString& etag, Done<WriteResult> done) override;

private:
    static CollectionState stateOf(const QUrl& url, const DavReply& reply);
    void fetchBatch(QStringList hrefs, qsizetype from, int size, FetchResult gathered,
                    Done<FetchResult> done);
    void fetchListed(Done<FetchResult> done);
    // Runs `work` on a thread of its own and hands its result to `then` on this object's thread, unless
    // this object is gone by then.
    template <typename Result> void inWorker(std::function<Result()> work, Done<Result> then);

    DavClient& m_client;
    QUrl m_url;
};
