#include "sync/CalendarDiscovery.h"

#include "sync/DavClient.h"
#include "sync/DavXml.h"
#include "sync/ServerAddress.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

bool holdsEvents(const DavResource& resource)
{
    return resource.isCalendar &&
           (!resource.hasComponentSet || resource.components.contains(QLatin1String("VEVENT")));
}

CalendarInfo calendarOf(const DavResource& resource, const QUrl& base)
{
    CalendarInfo info;
    info.url = base.resolved(QUrl(resource.href));
    info.displayName = resource.displayName;
    if (info.displayName.isEmpty()) {
        const QString key = ServerAddress::pathKey(info.url);
        info.displayName = QUrl::fromPercentEncoding(key.mid(key.lastIndexOf(QLatin1Char('/')) + 1).toUtf8());
    }
    return info;
}

// A fault that asking elsewhere on the same server will not mend.
bool endsTheSearch(const DavError& error)
{
    using Kind = DavError::Kind;
    switch (error.kind()) {
    case Kind::Unauthorized:
    case Kind::Certificate:
    case Kind::UnsafeAddress:
    case Kind::Timeout:
    case Kind::Connection:
    case Kind::Cancelled:
        return true;
    default:
        return false;
    }
}

} // namespace

CalendarDiscovery::CalendarDiscovery(DavClient& client, QObject* parent) : QObject(parent), m_client(client)
{}

void CalendarDiscovery::discover(const QUrl& start, Done done)
{
    m_done = std::move(done);
    m_start = start;
    m_principal.clear();
    m_lastProbeError = {};
    m_candidates.clear();
    const QUrl wellKnown = start.resolved(QUrl(QStringLiteral("/.well-known/caldav")));
    const QUrl root = start.resolved(QUrl(QStringLiteral("/")));
    // An address with a path names a place the user was told about, so it is asked first.
    for (const QUrl& url : {start, wellKnown, root}) {
        if (!m_candidates.contains(url))
            m_candidates << url;
    }
    if (ServerAddress::pathKey(start).isEmpty())
        std::swap(m_candidates[0], m_candidates[1]);
    probe(0);
}

const CalendarInfo* CalendarDiscovery::pick(const QList<CalendarInfo>& calendars, const QString& name)
{
    if (calendars.isEmpty())
        return nullptr;
    if (name.isEmpty())
        return &calendars.first();
    const auto found = std::find_if(calendars.begin(), calendars.end(), [&](const CalendarInfo& calendar) {
        return calendar.displayName.compare(name, Qt::CaseInsensitive) == 0;
    });
    return found == calendars.end() ? nullptr : &*found;
}

void CalendarDiscovery::probe(qsizetype index)
{
    if (index >= m_candidates.size()) {
        DiscoveryResult result;
        result.error =
            m_lastProbeError.isError() && m_lastProbeError.kind() != DavError::Kind::NotFound
                ? m_lastProbeError
                : DavError(DavError::Kind::NotFound, tr("No calendar service was found at %1.")
                                                         .arg(m_start.toDisplayString(QUrl::RemoveUserInfo)));
        finishWith(result);
        return;
    }
    DavRequest request{"PROPFIND", m_candidates.at(index),         DavXml::propfindPrincipal(), 0, {},
                       {},         tr("looking for the calendars")};
    m_client.send(request, this, [this, index](const DavReply& reply) {
        if (reply.error.isError()) {
            if (endsTheSearch(reply.error)) {
                finishWith({{}, {}, reply.otherOrigin, reply.error});
                return;
            }
            m_lastProbeError = reply.error;
            probe(index + 1);
            return;
        }
        QString why;
        const auto status = DavXml::readMultistatus(reply.body, &why);
        if (!status || status->responses.isEmpty()) {
            m_lastProbeError = DavError(DavError::Kind::BadResponse, why, reply.status);
            probe(index + 1);
            return;
        }
        const DavResource& found = status->responses.first();
        if (holdsEvents(found)) {
            const CalendarInfo calendar = calendarOf(found, reply.url);
            if (staysOnServer(calendar.url))
                finishWith({{calendar}, {}, {}, {}});
            return;
        }
        if (!found.calendarHomeSet.isEmpty()) {
            m_principal = reply.url;
            const QUrl home = reply.url.resolved(QUrl(found.calendarHomeSet.first()));
            if (staysOnServer(home))
                listHome(home);
        } else if (!found.currentUserPrincipal.isEmpty()) {
            const QUrl principal = reply.url.resolved(QUrl(found.currentUserPrincipal));
            if (staysOnServer(principal))
                askPrincipal(principal);
        } else {
            probe(index + 1);
        }
    });
}

void CalendarDiscovery::askPrincipal(const QUrl& principal)
{
    m_principal = principal;
    DavRequest request{"PROPFIND", principal, DavXml::propfindPrincipal(),          0,
                       {},         {},        tr("asking for the user's calendars")};
    askFurther(request, [this](const DavReply& reply, const DavMultistatus* status) {
        const auto withHome =
            std::find_if(status->responses.begin(), status->responses.end(),
                         [](const DavResource& resource) { return !resource.calendarHomeSet.isEmpty(); });
        if (withHome == status->responses.end()) {
            finishWith({{},
                        m_principal,
                        {},
                        DavError(DavError::Kind::NotFound,
                                 tr("The calendar server names no calendar home for this user."))});
            return;
        }
        const QUrl home = reply.url.resolved(QUrl(withHome->calendarHomeSet.first()));
        if (staysOnServer(home))
            listHome(home);
    });
}

void CalendarDiscovery::listHome(const QUrl& home)
{
    DavRequest request{"PROPFIND", home, DavXml::propfindCalendars(), 1, {}, {}, tr("listing the calendars")};
    askFurther(request, [this](const DavReply& reply, const DavMultistatus* status) {
        DiscoveryResult result;
        result.principal = m_principal;
        for (const DavResource& resource : status->responses) {
            // A calendar on another server would be synced with this server's password.
            if (holdsEvents(resource) && !resource.hrefTooLong) {
                const CalendarInfo calendar = calendarOf(resource, reply.url);
                if (DavClient::sameOrigin(calendar.url, m_start))
                    result.calendars << calendar;
            }
        }
        std::stable_sort(result.calendars.begin(), result.calendars.end(),
                         [](const CalendarInfo& a, const CalendarInfo& b) {
                             return a.displayName.localeAwareCompare(b.displayName) < 0;
                         });
        if (result.calendars.isEmpty()) {
            result.error = DavError(DavError::Kind::NotFound,
                                    tr("The calendar server holds no calendar for events for this user."));
        }
        finishWith(result);
    });
}

void CalendarDiscovery::askFurther(const DavRequest& request,
                                   std::function<void(const DavReply&, const DavMultistatus*)> then)
{
    m_client.send(request, this, [this, then = std::move(then)](const DavReply& reply) {
        DavError error;
        const auto status = DavXml::readReply(reply, error);
        if (!status)
            finishWith({{}, m_principal, reply.otherOrigin, error});
        else
            then(reply, &*status);
    });
}

bool CalendarDiscovery::staysOnServer(const QUrl& next)
{
    if (DavClient::sameOrigin(next, m_start))
        return true;
    DiscoveryResult result;
    result.principal = m_principal;
    result.otherServer =
        next.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
    result.error = DavError(DavError::Kind::UnsafeAddress,
                            tr("The calendar server names calendars on another server, %1, to which "
                               "Zentravio does not send your password.")
                                .arg(result.otherServer.toDisplayString()));
    finishWith(result);
    return false;
}

void CalendarDiscovery::finishWith(DiscoveryResult result)
{
    const Done done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(result);
}
