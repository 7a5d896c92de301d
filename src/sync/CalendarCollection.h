#pragma once

#include "sync/DavError.h"

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

// One event as the server holds it.
struct RemoteEvent
{
    QString href; // the event's path on the server, as the server writes it
    QString etag;
    QString uid;     // the UID of its VEVENT
    QByteArray data; // the whole iCalendar object
};

// What the collection says about itself: how it can be synced.
struct CollectionState
{
    QString displayName;
    QString syncToken; // empty when the server offers no sync reports
    QString ctag;      // a change tag some servers keep beside the ETags
    bool offersSync = false;
    DavError error;
};

struct EtagListing
{
    QHash<QString, QString> etags; // href -> ETag of every event in the collection
    QStringList ignored;           // hrefs outside the calendar, with the reason after a tab
    DavError error;
};

struct FetchResult
{
    QList<RemoteEvent> events;
    QStringList unreadable; // hrefs whose data is no iCalendar event, with the reason after a tab
    QStringList missing;    // hrefs asked for that the server no longer has
    QStringList ignored;    // hrefs outside the calendar, with the reason after a tab
    DavError error;
};

struct SyncChanges
{
    QHash<QString, QString> changed; // href -> new ETag: added or changed since the token
    QStringList removed;             // hrefs deleted since the token
    QStringList ignored;             // hrefs outside the calendar, with the reason after a tab
    QString token;                   // the token to give next time
    bool truncated = false;          // more changes wait: ask again with the new token
    DavError error;                  // TokenExpired when the server no longer knows the old token
};

struct WriteResult
{
    QString href;
    QString etag;             // the new ETag, when the server told it
    bool alreadyGone = false; // a deletion of an event the server no longer had
    DavError error;
};

// The requests a sync makes of one calendar collection: its state, its events' ETags, the events
// themselves (every one by a calendar query, or chosen ones by a multiget), the changes since a sync
// token, and writes guarded by ETags, so that an event changed on the server meanwhile is never
// overwritten: such a write comes back as a Conflict. Every answer comes through a callback on the
// thread that asked, read in full beforehand on a thread of its own, so that a large or hostile answer
// never holds the window. Only events inside the collection on the same server are read, written or
// deleted: any other href the server names is ignored with a line that says why.
class CalendarCollection : public QObject
{
    Q_OBJECT

public:
    template <typename T> using Done = std::function<void(const T&)>;

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

    const QUrl& url() const { return m_url; }
    // The href a new event with this UID is written to: the UID's safe characters under the collection.
    QString hrefForUid(const QString& uid) const;
    QUrl urlOf(const QString& href) const;

    void readState(Done<CollectionState> done);
    void listEtags(Done<EtagListing> done);
    void fetchAll(Done<FetchResult> done);
    void fetch(const QStringList& hrefs, Done<FetchResult> done);
    void changesSince(const QString& token, Done<SyncChanges> done);
    // Writes an event: a new one (`etag` empty) only if nothing is at `href` yet, a known one only if it
    // is still at `etag`.
    void put(const QString& href, const QByteArray& calendar, const QString& etag, Done<WriteResult> done);
    void remove(const QString& href, const QString& etag, Done<WriteResult> done);

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
