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

// The requests a sync makes of one calendar collection: its state, its events' ETags, the events
// themselves (every one by a calendar query, or chosen ones by a multiget), the changes since a sync
// token, and writes guarded by ETags, so that an event changed on the server meanwhile is never
// overwritten: such a write comes back as a Conflict. Every answer comes through a callback.
class CalendarCollection : public QObject, public RemoteCalendar
{
    Q_OBJECT

public:
    // Multigets ask for at most this many events at once, so that no single answer grows without bound.
    static constexpr int FetchBatch = 250;

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
    bool isSelf(const QString& href) const;
    void fetchBatch(QStringList hrefs, qsizetype from, FetchResult gathered, Done<FetchResult> done);
    void readEvents(const QByteArray& body, FetchResult& into) const;

    DavClient& m_client;
    QUrl m_url;
};
