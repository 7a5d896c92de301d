#pragma once

#include "sync/DavError.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

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
    QByteArray answer; // the start of what the server said with a refusal, which may carry its reason
};

// The calendar on the server as a sync sees it: its state, its events' ETags, the events themselves, the
// changes since a sync token, and writes guarded by ETags. The service is handed one, so that a test can
// hand it a scripted calendar and no server is needed to try a decision. Every answer comes through a
// callback, later, from the event loop.
class RemoteCalendar
{
public:
    template <typename T> using Done = std::function<void(const T&)>;

    virtual ~RemoteCalendar() = default;

    virtual const QUrl& url() const = 0;
    // The href a new event with this UID is written to.
    virtual QString hrefForUid(const QString& uid) const = 0;

    virtual void readState(Done<CollectionState> done) = 0;
    virtual void listEtags(Done<EtagListing> done) = 0;
    virtual void fetchAll(Done<FetchResult> done) = 0;
    virtual void fetch(const QStringList& hrefs, Done<FetchResult> done) = 0;
    virtual void changesSince(const QString& token, Done<SyncChanges> done) = 0;
    // Writes an event: a new one (`etag` empty) only if nothing is at `href` yet, a known one only if it
    // is still at `etag`.
    virtual void put(const QString& href, const QByteArray& calendar, const QString& etag,
                     Done<WriteResult> done) = 0;
    virtual void remove(const QString& href, const QString& etag, Done<WriteResult> done) = 0;
};
