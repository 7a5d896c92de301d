#include "sync/CalendarCollection.h"

#include "sync/CalendarData.h"
#include "sync/DavClient.h"
#include "sync/DavXml.h"
#include "sync/ServerAddress.h"

#include <QCoreApplication>
#include <QSet>

#include <memory>

CalendarCollection::CalendarCollection(DavClient& client, const QUrl& url, QObject* parent)
    : QObject(parent), m_client(client), m_url(url)
{
    if (!m_url.path().endsWith(QLatin1Char('/')))
        m_url.setPath(m_url.path() + QLatin1Char('/'));
}

QString CalendarCollection::hrefForUid(const QString& uid) const
{
    QString name;
    for (const QChar c : uid) {
        const bool safe = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                          (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                          (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
                          c == QLatin1Char('_') || c == QLatin1Char('.');
        name += safe ? c : QLatin1Char('_');
    }
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1String("event"));
    return m_url.path(QUrl::FullyEncoded) + name + QLatin1String(".ics");
}

QUrl CalendarCollection::urlOf(const QString& href) const
{
    return m_url.resolved(QUrl(href));
}

bool CalendarCollection::isSelf(const QString& href) const
{
    return ServerAddress::pathKey(urlOf(href)) == ServerAddress::pathKey(m_url);
}

void CalendarCollection::readState(Done<CollectionState> done)
{
    DavRequest request{"PROPFIND", m_url, DavXml::propfindCalendars(), 0, {}, {}, tr("reading the calendar")};
    m_client.send(request, this, [this, done = std::move(done)](const DavReply& reply) {
        CollectionState state;
        const auto status = DavXml::readReply(reply, state.error);
        if (status) {
            const auto self = std::find_if(status->responses.begin(), status->responses.end(),
                                           [this](const DavResource& r) { return isSelf(r.href); });
            if (self == status->responses.end()) {
                state.error = DavError(DavError::Kind::BadResponse,
                                       tr("The calendar server did not describe the calendar."));
            } else {
                state.displayName = self->displayName;
                state.syncToken = self->syncToken;
                state.ctag = self->ctag;
                state.offersSync = !self->syncToken.isEmpty() ||
                                   self->supportedReports.contains(QLatin1String("sync-collection"));
            }
        }
        done(state);
    });
}

void CalendarCollection::listEtags(Done<EtagListing> done)
{
    DavRequest request{"PROPFIND", m_url, DavXml::propfindEtags(), 1, {}, {}, tr("listing the calendar")};
    m_client.send(request, this, [this, done = std::move(done)](const DavReply& reply) {
        EtagListing listing;
        if (const auto status = DavXml::readReply(reply, listing.error)) {
            for (const DavResource& resource : status->responses) {
                if (!isSelf(resource.href) && !resource.isCollection && !resource.etag.isEmpty())
                    listing.etags.insert(resource.href, resource.etag);
            }
        }
        done(listing);
    });
}

void CalendarCollection::readEvents(const QByteArray& body, FetchResult& into) const
{
    QString why;
    const auto status = DavXml::readMultistatus(body, &why);
    if (!status) {
        into.error = DavError(DavError::Kind::BadResponse, why);
        return;
    }
    for (const DavResource& resource : status->responses) {
        if (isSelf(resource.href))
            continue;
        if (resource.status == 404 || resource.status == 410) {
            into.missing << resource.href;
            continue;
        }
        if (!resource.hasCalendarData)
            continue;
        QString reason;
        const QString uid = CalendarData::eventUid(resource.calendarData, &reason);
        if (uid.isEmpty()) {
            into.unreadable << resource.href + QLatin1Char('\t') + reason;
            continue;
        }
        into.events << RemoteEvent{resource.href, resource.etag, uid, resource.calendarData};
    }
}

void CalendarCollection::fetchAll(Done<FetchResult> done)
{
    DavRequest request{"REPORT", m_url, DavXml::calendarQueryEvents(), 1, {}, {}, tr("fetching the events")};
    m_client.send(request, this, [this, done = std::move(done)](const DavReply& reply) {
        FetchResult result;
        if (reply.error.isError())
            result.error = reply.error;
        else
            readEvents(reply.body, result);
        done(result);
    });
}

void CalendarCollection::fetch(const QStringList& hrefs, Done<FetchResult> done)
{
    fetchBatch(hrefs, 0, {}, std::move(done));
}

void CalendarCollection::fetchBatch(QStringList hrefs, qsizetype from, FetchResult gathered,
                                    Done<FetchResult> done)
{
    if (from >= hrefs.size()) {
        done(gathered);
        return;
    }
    const QStringList batch = hrefs.mid(from, FetchBatch);
    DavRequest request{"REPORT", m_url, DavXml::calendarMultiget(batch), 1, {}, {}, tr("fetching events")};
    m_client.send(request, this,
                  [this, hrefs = std::move(hrefs), from, gathered = std::move(gathered),
                   done = std::move(done)](const DavReply& reply) mutable {
                      if (reply.error.isError()) {
                          gathered.error = reply.error;
                      } else {
                          readEvents(reply.body, gathered);
                      }
                      if (gathered.error.isError()) {
                          done(gathered);
                          return;
                      }
                      fetchBatch(std::move(hrefs), from + FetchBatch, std::move(gathered), std::move(done));
                  });
}

void CalendarCollection::changesSince(const QString& token, Done<SyncChanges> done)
{
    DavRequest request{"REPORT", m_url, DavXml::syncCollection(token), 1, {}, {}, tr("asking for changes")};
    m_client.send(request, this, [this, token, done = std::move(done)](const DavReply& reply) {
        SyncChanges changes;
        // A server that no longer knows the token says so with a precondition (403 or 409, some with 400
        // or 412): the sync then lists the calendar as on a first look.
        const int code = reply.error.httpStatus();
        if (!token.isEmpty() && reply.error.isError() &&
            (reply.body.contains("valid-sync-token") || code == 400 || code == 403 || code == 409 ||
             code == 412)) {
            changes.error = DavError(DavError::Kind::TokenExpired,
                                     tr("The calendar server no longer knows the last sync; the calendar "
                                        "is listed again."),
                                     code);
            done(changes);
            return;
        }
        if (const auto status = DavXml::readReply(reply, changes.error)) {
            changes.token = status->syncToken;
            for (const DavResource& resource : status->responses) {
                if (isSelf(resource.href)) {
                    changes.truncated = changes.truncated || resource.status == 507;
                    continue;
                }
                if (resource.status == 404 || resource.status == 410)
                    changes.removed << resource.href;
                else if (!resource.isCollection)
                    changes.changed.insert(resource.href, resource.etag);
            }
            if (changes.token.isEmpty()) {
                changes.error = DavError(DavError::Kind::BadResponse,
                                         tr("The calendar server's list of changes carries no sync token."));
            }
        }
        done(changes);
    });
}

void CalendarCollection::put(const QString& href, const QByteArray& calendar, const QString& etag,
                             Done<WriteResult> done)
{
    DavRequest request{"PUT", urlOf(href),           calendar, -1, "text/calendar; charset=utf-8",
                       {},    tr("sending an event")};
    if (etag.isEmpty())
        request.headers.emplaceBack("If-None-Match", "*");
    else
        request.headers.emplaceBack("If-Match", etag.toUtf8());
    m_client.send(request, this, [href, done = std::move(done)](const DavReply& reply) {
        WriteResult result;
        result.href = href;
        result.etag = QString::fromUtf8(reply.etag);
        result.error = reply.error;
        result.answer = reply.body.left(4096);
        if (!result.error.isError() && (reply.status < 200 || reply.status >= 300)) {
            result.error = DavError(
                DavError::Kind::BadResponse,
                tr("The calendar server did not take the event (HTTP %1).").arg(reply.status), reply.status);
        }
        done(result);
    });
}

void CalendarCollection::remove(const QString& href, const QString& etag, Done<WriteResult> done)
{
    DavRequest request{"DELETE", urlOf(href), {}, -1, {}, {}, tr("deleting an event")};
    if (!etag.isEmpty())
        request.headers.emplaceBack("If-Match", etag.toUtf8());
    m_client.send(request, this, [href, done = std::move(done)](const DavReply& reply) {
        WriteResult result;
        result.href = href;
        result.error = reply.error;
        // An event already gone is where a deletion wanted it to be.
        if (reply.error.kind() == DavError::Kind::NotFound) {
            result.error = {};
            result.alreadyGone = true;
        }
        done(result);
    });
}
