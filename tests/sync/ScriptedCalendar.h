#pragma once

#include "sync/RemoteCalendar.h"

#include <QHash>
#include <QTimer>

#include <functional>
#include <map>

// A calendar held in memory that answers as a CalDAV server would, later, from the event loop, and
// misbehaves on cue: it refuses writes, takes a write and loses it, or stores one and loses the answer.
// Its change list follows the strictest servers: an event made after a token and deleted since is not
// mentioned.
class ScriptedCalendar : public RemoteCalendar
{
public:
    struct Event
    {
        QString etag;
        QByteArray data;
        qint64 made = 0; // the version at which it was made
    };

    std::map<QString, Event> events; // by href
    // A write whose data holds this text is refused with 403 and an answer naming why.
    QByteArray refuseWhen;
    // How many of the next new events are answered 201 but not stored.
    int loseWrites = 0;
    // How many of the next new events are stored but answered with a dropped connection.
    int loseAnswers = 0;
    int writes = 0;
    QStringList unreadable; // hrefs, each with its reason after a tab, given with every fetch

    explicit ScriptedCalendar(QUrl url = QUrl(QStringLiteral("https://cal.example/cal/")))
        : m_url(std::move(url))
    {}

    const QUrl& url() const override { return m_url; }
    QString hrefForUid(const QString& uid) const override
    {
        return m_url.path() + uid + QStringLiteral(".ics");
    }

    void putEvent(const QString& uid, const QByteArray& data)
    {
        const QString href = hrefForUid(uid);
        touch(href);
        Event& event = events[href];
        if (event.made == 0)
            event.made = m_version;
        event.etag = QStringLiteral("\"%1\"").arg(m_version);
        event.data = data;
    }
    void removeEvent(const QString& href)
    {
        touch(href);
        events.erase(href);
    }

    void readState(Done<CollectionState> done) override
    {
        CollectionState state;
        state.offersSync = true;
        state.syncToken = QString::number(m_version);
        later([done, state] { done(state); });
    }
    void listEtags(Done<EtagListing> done) override
    {
        EtagListing listing;
        for (const auto& [href, event] : events)
            listing.etags.insert(href, event.etag);
        later([done, listing] { done(listing); });
    }
    void fetchAll(Done<FetchResult> done) override
    {
        QStringList all;
        for (const auto& [href, event] : events)
            all << href;
        fetch(all, std::move(done));
    }
    void fetch(const QStringList& hrefs, Done<FetchResult> done) override
    {
        FetchResult result;
        result.unreadable = unreadable;
        for (const QString& href : hrefs) {
            const auto found = events.find(href);
            if (found == events.end()) {
                result.missing << href;
                continue;
            }
            const QByteArray& data = found->second.data;
            const qsizetype at = data.indexOf("UID:") + 4;
            const QString uid = QString::fromUtf8(data.mid(at, data.indexOf('\r', at) - at));
            result.events << RemoteEvent{href, found->second.etag, uid, data};
        }
        later([done, result] { done(result); });
    }
    void changesSince(const QString& token, Done<SyncChanges> done) override
    {
        const qint64 since = token.toLongLong();
        SyncChanges changes;
        changes.token = QString::number(m_version);
        for (const auto& [href, version] : m_touched) {
            if (version <= since)
                continue;
            const auto found = events.find(href);
            if (found != events.end())
                changes.changed.insert(href, found->second.etag);
            else if (m_madeAt.value(href, since + 1) <= since)
                changes.removed << href;
        }
        later([done, changes] { done(changes); });
    }
    void put(const QString& href, const QByteArray& calendar, const QString& etag,
             Done<WriteResult> done) override
    {
        ++writes;
        WriteResult result;
        result.href = href;
        const auto found = events.find(href);
        if (!refuseWhen.isEmpty() && calendar.contains(refuseWhen)) {
            result.error = DavError::fromStatus(403, QStringLiteral("sending an event"));
            result.answer = "<?xml version=\"1.0\"?><D:error xmlns:D=\"DAV:\" "
                            "xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><C:valid-calendar-data/>"
                            "<D:responsedescription>DTEND must occur after DTSTART</D:responsedescription>"
                            "</D:error>";
        } else if ((etag.isEmpty() && found != events.end()) ||
                   (!etag.isEmpty() && (found == events.end() || found->second.etag != etag))) {
            result.error = DavError::fromStatus(412, QStringLiteral("sending an event"));
        } else if (etag.isEmpty() && loseWrites > 0) {
            --loseWrites;
            result.etag = QStringLiteral("\"lost\"");
        } else {
            touch(href);
            Event& event = events[href];
            event.made = found == events.end() ? m_version : event.made;
            event.etag = QStringLiteral("\"%1\"").arg(m_version);
            event.data = calendar;
            result.etag = event.etag;
            if (etag.isEmpty() && loseAnswers > 0) {
                --loseAnswers;
                result = {};
                result.href = href;
                result.error =
                    DavError(DavError::Kind::Connection, QStringLiteral("The connection dropped."));
            }
        }
        later([done, result] { done(result); });
    }
    void remove(const QString& href, const QString& etag, Done<WriteResult> done) override
    {
        ++writes;
        WriteResult result;
        result.href = href;
        const auto found = events.find(href);
        if (found == events.end())
            result.alreadyGone = true;
        else if (!etag.isEmpty() && found->second.etag != etag)
            result.error = DavError::fromStatus(412, QStringLiteral("deleting an event"));
        else
            removeEvent(href);
        later([done, result] { done(result); });
    }

private:
    void touch(const QString& href)
    {
        ++m_version;
        if (!events.count(href))
            m_madeAt.insert(href, m_version);
        m_touched[href] = m_version;
    }
    static void later(std::function<void()> answer) { QTimer::singleShot(0, std::move(answer)); }

    QUrl m_url;
    qint64 m_version = 1;
    std::map<QString, qint64> m_touched;
    QHash<QString, qint64> m_madeAt;
};

// Hands a service the calendar a test holds, so that its events outlive the service's own handle.
class BorrowedCalendar : public RemoteCalendar
{
public:
    explicit BorrowedCalendar(RemoteCalendar& calendar) : m_calendar(calendar) {}

    const QUrl& url() const override { return m_calendar.url(); }
    QString hrefForUid(const QString& uid) const override { return m_calendar.hrefForUid(uid); }
    void readState(Done<CollectionState> done) override { m_calendar.readState(std::move(done)); }
    void listEtags(Done<EtagListing> done) override { m_calendar.listEtags(std::move(done)); }
    void fetchAll(Done<FetchResult> done) override { m_calendar.fetchAll(std::move(done)); }
    void fetch(const QStringList& hrefs, Done<FetchResult> done) override
    {
        m_calendar.fetch(hrefs, std::move(done));
    }
    void changesSince(const QString& token, Done<SyncChanges> done) override
    {
        m_calendar.changesSince(token, std::move(done));
    }
    void put(const QString& href, const QByteArray& calendar, const QString& etag,
             Done<WriteResult> done) override
    {
        m_calendar.put(href, calendar, etag, std::move(done));
    }
    void remove(const QString& href, const QString& etag, Done<WriteResult> done) override
    {
        m_calendar.remove(href, etag, std::move(done));
    }

private:
    RemoteCalendar& m_calendar;
};
