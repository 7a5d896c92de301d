#include "sync/CalendarCollection.h"

#include "sync/CalendarData.h"
#include "sync/DavClient.h"
#include "sync/DavXml.h"
#include "sync/ServerAddress.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CalendarCollection", text);
}

// An href as a report line shows it: a hostile one may be of any length.
QString shownHref(const QString& href)
{
    constexpr qsizetype Shown = 200;
    return href.size() <= Shown ? href : href.left(Shown) + QStringLiteral("...");
}

QString ignoredLine(const QString& href, const QString& why)
{
    return shownHref(href) + QLatin1Char('\t') + why;
}

// The href of a response, when it names a member of the collection; otherwise the report line of why it
// is ignored goes to `ignored`.
std::optional<CalendarCollection::Place> placeOfResponse(const QUrl& collection, const DavResource& resource,
                                                         QStringList& ignored)
{
    if (resource.hrefTooLong) {
        ignored << ignoredLine(QString(), tr("the server named an event by an address longer than %1 "
                                             "characters")
                                              .arg(DavXml::MaxHref));
        return std::nullopt;
    }
    QString why;
    const CalendarCollection::Place place = CalendarCollection::placeOf(collection, resource.href, &why);
    if (place == CalendarCollection::Place::Outside) {
        ignored << ignoredLine(resource.href, why);
        return std::nullopt;
    }
    return place;
}

void readEvents(const QUrl& collection, const QByteArray& body, FetchResult& into)
{
    QString why;
    const auto status = DavXml::readMultistatus(body, &why);
    if (!status) {
        into.error = DavError(DavError::Kind::BadResponse, why);
        return;
    }
    for (const DavResource& resource : status->responses) {
        const auto place = placeOfResponse(collection, resource, into.ignored);
        if (place != CalendarCollection::Place::Member)
            continue;
        if (resource.status == 404 || resource.status == 410) {
            into.missing << resource.href;
            continue;
        }
        if (!resource.hasCalendarData)
            continue;
        if (resource.calendarDataTooLarge) {
            into.unreadable
                << resource.href + QLatin1Char('\t') +
                       tr("The event's data is larger than %1 MB.").arg(DavXml::MaxCalendarData >> 20);
            continue;
        }
        QString reason;
        const QString uid = CalendarData::eventUid(resource.calendarData, &reason);
        if (uid.isEmpty()) {
            into.unreadable << resource.href + QLatin1Char('\t') + reason;
            continue;
        }
        into.events << RemoteEvent{resource.href, resource.etag, uid, resource.calendarData};
    }
}

FetchResult eventsOf(const QUrl& collection, const DavReply& reply)
{
    FetchResult result;
    if (reply.error.isError())
        result.error = reply.error;
    else
        readEvents(collection, reply.body, result);
    return result;
}

} // namespace

CalendarCollection::CalendarCollection(DavClient& client, const QUrl& url, QObject* parent)
    : QObject(parent), m_client(client), m_url(url)
{
    if (!m_url.path().endsWith(QLatin1Char('/')))
        m_url.setPath(m_url.path() + QLatin1Char('/'));
}

template <typename Result> void CalendarCollection::inWorker(std::function<Result()> work, Done<Result> then)
{
    auto result = std::make_shared<Result>();
    // The thread outlives this object if it must; its result then goes nowhere.
    QThread* thread = QThread::create([result, work = std::move(work)] { *result = work(); });
    connect(thread, &QThread::finished, this, [result, then = std::move(then)] { then(*result); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

CalendarCollection::Place CalendarCollection::placeOf(const QUrl& collection, const QString& href,
                                                      QString* why)
{
    const auto outside = [why](const QString& reason) {
        if (why)
            *why = reason;
        return Place::Outside;
    };
    if (href.isEmpty())
        return outside(tr("the server named an event without an address"));
    const QUrl url = collection.resolved(QUrl(href));
    if (!url.isValid() || !DavClient::sameOrigin(url, collection))
        return outside(tr("the address is on another server"));
    QString base = collection.path(QUrl::FullyDecoded);
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    QString path = url.path(QUrl::FullyDecoded);
    if (path == base || path + QLatin1Char('/') == base)
        return Place::Self;
    if (!path.startsWith(base))
        return outside(tr("the address is outside the calendar"));
    QString name = path.mid(base.size());
    if (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    // Written encoded ("%2F", "%2E%2E"), a slash or a climb still says another folder.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..") ||
        name == QLatin1String(".") || name.contains(QLatin1Char('\\')))
        return outside(tr("the address is outside the calendar"));
    return Place::Member;
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

void CalendarCollection::readState(Done<CollectionState> done)
{
    DavRequest request{"PROPFIND", m_url, DavXml::propfindCalendars(), 0, {}, {}, tr("reading the calendar")};
    m_client.send(request, this, [this, done = std::move(done)](const DavReply& reply) {
        inWorker<CollectionState>([url = m_url, reply] { return stateOf(url, reply); }, done);
    });
}

CollectionState CalendarCollection::stateOf(const QUrl& url, const DavReply& reply)
{
    CollectionState state;
    {
        const auto status = DavXml::readReply(reply, state.error);
        if (status) {
            const auto self = std::find_if(status->responses.begin(), status->responses.end(),
                                           [&url](const DavResource& r) {
                                               return !r.hrefTooLong && placeOf(url, r.href) == Place::Self;
                                           });
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
    }
    return state;
}

void CalendarCollection::listEtags(Done<EtagListing> done)
{
    DavRequest request{"PROPFIND", m_url, DavXml::propfindEtags(), 1, {}, {}, tr("listing the calendar")};
    request.maxAnswerBytes = ListingAnswer;
    m_client.send(request, this, [this, done = std::move(done)](const DavReply& reply) {
        inWorker<EtagListing>(
            [url = m_url, reply] {
                EtagListing listing;
                if (const auto status = DavXml::readReply(reply, listing.error)) {
                    for (const DavResource& resource : status->responses) {
                        const auto place = placeOfResponse(url, resource, listing.ignored);
                        if (place == Place::Member && !resource.isCollection && !resource.etag.isEmpty())
                            listing.etags.insert(resource.href, resource.etag);
                    }
                }
                return listing;
            },
            done);
    });
}

void CalendarCollection::fetchAll(Done<FetchResult> done)
{
    DavRequest request{"REPORT", m_url, DavXml::calendarQueryEvents(), 1, {}, {}, tr("fetching the events")};
    request.maxAnswerBytes = WholeCalendarAnswer;
    m_client.send(request, this, [this, done = std::move(done)](const DavReply& reply) mutable {
        // A calendar too large for one answer comes in batches, each of which has room.
        if (reply.error.kind() == DavError::Kind::TooLarge) {
            fetchListed(std::move(done));
            return;
        }
        inWorker<FetchResult>([url = m_url, reply] { return eventsOf(url, reply); }, std::move(done));
    });
}

void CalendarCollection::fetchListed(Done<FetchResult> done)
{
    listEtags([this, done = std::move(done)](const EtagListing& listing) mutable {
        if (listing.error.isError()) {
            FetchResult failed;
            failed.error = listing.error;
            done(failed);
            return;
        }
        fetch(listing.etags.keys(),
              [ignored = listing.ignored, done = std::move(done)](const FetchResult& got) {
                  FetchResult result = got;
                  result.ignored = ignored + result.ignored;
                  done(result);
              });
    });
}

void CalendarCollection::fetch(const QStringList& hrefs, Done<FetchResult> done)
{
    FetchResult gathered;
    // Only events of this calendar are asked for, by addresses of a length servers take.
    QStringList asked;
    for (const QString& href : hrefs) {
        QString why = tr("the address is longer than %1 characters").arg(DavXml::MaxHref);
        if (href.size() <= DavXml::MaxHref && placeOf(m_url, href, &why) == Place::Member)
            asked << href;
        else
            gathered.ignored << ignoredLine(href, why);
    }
    fetchBatch(std::move(asked), 0, FetchBatch, std::move(gathered), std::move(done));
}

void CalendarCollection::fetchBatch(QStringList hrefs, qsizetype from, int size, FetchResult gathered,
                                    Done<FetchResult> done)
{
    if (from >= hrefs.size()) {
        done(gathered);
        return;
    }
    const QStringList batch = hrefs.mid(from, size);
    const qsizetype end = from + batch.size();
    DavRequest request{"REPORT", m_url, DavXml::calendarMultiget(batch), 1, {}, {}, tr("fetching events")};
    request.maxAnswerBytes = BatchAnswer;
    m_client.send(
        request, this,
        [this, hrefs = std::move(hrefs), from, end, size, batch, gathered = std::move(gathered),
         done = std::move(done)](const DavReply& reply) mutable {
            if (reply.error.kind() == DavError::Kind::TooLarge) {
                // Fewer events at once, down to one, which is then left out as too large.
                if (size > 1) {
                    fetchBatch(std::move(hrefs), from, size / 2, std::move(gathered), std::move(done));
                    return;
                }
                gathered.unreadable << batch.value(0) + QLatin1Char('\t') + reply.error.message();
                fetchBatch(std::move(hrefs), end, FetchBatch, std::move(gathered), std::move(done));
                return;
            }
            inWorker<FetchResult>([url = m_url, reply] { return eventsOf(url, reply); },
                                  [this, hrefs = std::move(hrefs), end, gathered = std::move(gathered),
                                   done = std::move(done)](const FetchResult& part) mutable {
                                      gathered.events << part.events;
                                      gathered.unreadable << part.unreadable;
                                      gathered.missing << part.missing;
                                      gathered.ignored << part.ignored;
                                      if (part.error.isError()) {
                                          gathered.error = part.error;
                                          done(gathered);
                                          return;
                                      }
                                      fetchBatch(std::move(hrefs), end, FetchBatch, std::move(gathered),
                                                 std::move(done));
                                  });
        });
}

void CalendarCollection::changesSince(const QString& token, Done<SyncChanges> done)
{
    DavRequest request{
        "REPORT", m_url, DavXml::syncCollection(token), 1, {}, {}, tr("looking for changes in the calendar")};
    request.maxAnswerBytes = ListingAnswer;
    m_client.send(request, this, [this, token, done = std::move(done)](const DavReply& reply) {
        // A server that no longer knows the token says so with a precondition (403 or 409, some with 400
        // or 412): the sync then lists the calendar as on a first look.
        const int code = reply.error.httpStatus();
        if (!token.isEmpty() && reply.error.isError() &&
            (reply.body.contains("valid-sync-token") || code == 400 || code == 403 || code == 409 ||
             code == 412)) {
            SyncChanges changes;
            changes.error = DavError(DavError::Kind::TokenExpired,
                                     tr("The calendar server no longer knows the last sync; the calendar "
                                        "is listed again."),
                                     code);
            done(changes);
            return;
        }
        inWorker<SyncChanges>(
            [url = m_url, reply] {
                SyncChanges changes;
                if (const auto status = DavXml::readReply(reply, changes.error)) {
                    changes.token = status->syncToken;
                    for (const DavResource& resource : status->responses) {
                        const auto place = placeOfResponse(url, resource, changes.ignored);
                        if (place == Place::Self) {
                            changes.truncated = changes.truncated || resource.status == 507;
                        } else if (place == Place::Member) {
                            if (resource.status == 404 || resource.status == 410)
                                changes.removed << resource.href;
                            else if (!resource.isCollection)
                                changes.changed.insert(resource.href, resource.etag);
                        }
                    }
                    if (changes.token.isEmpty()) {
                        changes.error = DavError(DavError::Kind::BadResponse,
                                                 tr("The calendar server's list of changes carries no sync "
                                                    "token."));
                    }
                }
                return changes;
            },
            done);
    });
}

void CalendarCollection::put(const QString& href, const QByteArray& calendar, const QString& etag,
                             Done<WriteResult> done)
{
    QString why;
    if (href.size() > DavXml::MaxHref || placeOf(m_url, href, &why) != Place::Member) {
        WriteResult refused;
        refused.href = href;
        refused.error = DavError(DavError::Kind::UnsafeAddress,
                                 tr("An event was not sent to %1: %2.").arg(shownHref(href), why));
        QTimer::singleShot(0, this, [refused, done = std::move(done)] { done(refused); });
        return;
    }
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
    QString why;
    if (href.size() > DavXml::MaxHref || placeOf(m_url, href, &why) != Place::Member) {
        WriteResult refused;
        refused.href = href;
        refused.error = DavError(DavError::Kind::UnsafeAddress,
                                 tr("Nothing was deleted at %1: %2.").arg(shownHref(href), why));
        QTimer::singleShot(0, this, [refused, done = std::move(done)] { done(refused); });
        return;
    }
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
