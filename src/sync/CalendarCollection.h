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
    DavError error;
};

struct FetchResult
{
    QList<RemoteEvent> events;
    QStringList unreadable; // hrefs whose data is no iCalendar event, with the reason after a tab
    QStringList missing;    // hrefs asked for that the server no longer has
    DavError error;
};

struct SyncChanges
{
    QHash<QString, QString> changed; // href -> new ETag: added or changed since the token
    QStringList removed;             // hrefs deleted since the token
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
// overwritten: such a write comes back as a Conflict. Every answer comes through a callback.
class CalendarCollection : public QObject
{
    Q_OBJECT

public:
    template <typename T> using Done = std::function<void(const T&)>;

    // Multigets ask for at most this many events at once, so that no single answer grows without bound.
    static constexpr int FetchBatch = 250;

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
    bool isSelf(const QString& href) const;
    void fetchBatch(QStringList hrefs, qsizetype from, FetchResult gathered, Done<FetchResult> done);
    void readEvents(const QByteArray& body, FetchResult& into) const;

    DavClient& m_client;
    QUrl m_url;
};
