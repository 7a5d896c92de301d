#include "store/EntryIdentities.h"
#include "store/ScheduleTable.h"
#include "sync/CalendarCollection.h"
#include "sync/CalendarDiscovery.h"
#include "sync/DavClient.h"
#include "sync/DavTestServers.h"
#include "sync/EventForm.h"
#include "sync/SyncWait.h"

#include <QTest>


// The calendar client against two real servers, Radicale and Xandikos, with python3-caldav as the other
// party: what it finds, fetches, writes and deletes must be what an independent client sees, and a
// write over a change it has not seen must come back as a conflict.
class TestCalDavServers : public QObject
{
    Q_OBJECT

private:
    DavTestServers m_servers;
    int m_calendars = 0;

    const DavTestServer& server() const { return m_servers.server(); }

    std::unique_ptr<DavClient> clientFor(const DavTestServer& server)
    {
        auto client = std::make_unique<DavClient>();
        client->setCredentials(server.user(), server.password());
        return client;
    }

    static QByteArray event(const QByteArray& uid, const QByteArray& summary)
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zentravio tests//EN\r\nBEGIN:VEVENT\r\nUID:" +
               uid + "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20261224T183000\r\nSUMMARY:" + summary +
               "\r\nDESCRIPTION:Bring the wine\\, and the cake\\nSecond "
               "line\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    }

    QUrl newCalendar(const DavTestServer& server, const QString& name = {})
    {
        return server.makeCalendar(name.isEmpty() ? QStringLiteral("Calendar %1").arg(++m_calendars) : name);
    }

    static QString pathOf(const QUrl& url)
    {
        QString path = url.path();
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        return path;
    }

private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(m_servers.start(&why), qPrintable(why));
    }

    void initTestCase_data() { DavTestServers::addRows(); }

    void discoveryFromTheRootFindsTheCalendar()
    {
        const DavTestServer& dav = server();
        const QUrl made = newCalendar(dav, QStringLiteral("Family Diary"));
        QVERIFY(made.isValid());
        const auto client = clientFor(dav);
        CalendarDiscovery discovery(*client);

        for (const QUrl& start : {dav.root(), QUrl(dav.root().toString().chopped(1)), made}) {
            const auto found =
                awaitResult<DiscoveryResult>([&](auto done) { discovery.discover(start, done); });
            QVERIFY(found);
            QVERIFY2(!found->error.isError(), qPrintable(found->error.message()));
            const CalendarInfo* family =
                CalendarDiscovery::pick(found->calendars, QStringLiteral("family diary"));
            QVERIFY2(family, qPrintable(start.toString()));
            QCOMPARE(pathOf(family->url), pathOf(made));
            QCOMPARE(family->displayName, QStringLiteral("Family Diary"));
        }
        QVERIFY(!CalendarDiscovery::pick({}, {}));

        if (dav.kind() == DavTestServer::Kind::Radicale) {
            client->setCredentials(dav.user(), QStringLiteral("wrong"));
            const auto refused =
                awaitResult<DiscoveryResult>([&](auto done) { discovery.discover(dav.root(), done); });
            QVERIFY(refused);
            QCOMPARE(refused->error.kind(), DavError::Kind::Unauthorized);
            QVERIFY(refused->calendars.isEmpty());
            QVERIFY(!refused->error.message().contains(QLatin1String("wrong")));
        }
    }

    void eventsWrittenByAnotherClientAreFetched()
    {
        const DavTestServer& dav = server();
        const QUrl url = newCalendar(dav);
        QVERIFY(dav.putEvent(url, event("peer-1", "Dinner at Zoë's")));
        QVERIFY(dav.putEvent(url, event("peer-2", "Second event")));
        const auto client = clientFor(dav);
        CalendarCollection calendar(*client, url);

        const auto listed = awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); });
        QVERIFY(listed && !listed->error.isError());
        QCOMPARE(listed->etags.size(), 2);

        const auto all = awaitResult<FetchResult>([&](auto done) { calendar.fetchAll(done); });
        QVERIFY2(all && !all->error.isError(), all ? qPrintable(all->error.message()) : "no answer");
        QCOMPARE(all->events.size(), 2);
        QVERIFY(all->unreadable.isEmpty());
        const auto dinner = std::find_if(all->events.begin(), all->events.end(), [](const RemoteEvent& e) {
            return e.uid == QLatin1String("peer-1");
        });
        QVERIFY(dinner != all->events.end());
        QVERIFY(QString::fromUtf8(dinner->data).contains(QStringLiteral("SUMMARY:Dinner at Zoë's")));
        QVERIFY(dinner->data.contains("Bring the wine\\, and the cake\\nSecond line"));
        QCOMPARE(dinner->etag, listed->etags.value(dinner->href));

        // The same event asked for by its href, beside one the server does not have.
        const QString gone = calendar.hrefForUid(QStringLiteral("never-there"));
        const auto chosen = awaitResult<FetchResult>([&](auto done) {
            calendar.fetch({dinner->href, gone}, done);
        });
        QVERIFY(chosen && !chosen->error.isError());
        QCOMPARE(chosen->events.size(), 1);
        QCOMPARE(chosen->events.first().uid, QStringLiteral("peer-1"));
        QCOMPARE(chosen->events.first().etag, dinner->etag);
    }

    void writesAreReadBackByAnotherClient()
    {
        const DavTestServer& dav = server();
        const QUrl url = newCalendar(dav);
        const auto client = clientFor(dav);
        CalendarCollection calendar(*client, url);
        const QString href = calendar.hrefForUid(QStringLiteral("zentravio-1@example"));
        QVERIFY(href.endsWith(QLatin1String("/zentravio-1_example.ics")));

        const auto created = awaitResult<WriteResult>(
            [&](auto done) { calendar.put(href, event("zentravio-1@example", "Dentist"), {}, done); });
        QVERIFY2(created && !created->error.isError(), created ? qPrintable(created->error.message()) : "");
        QVERIFY(dav.peer({QStringLiteral("get"), url.toString(), QStringLiteral("zentravio-1@example")})
                    .contains(QLatin1String("SUMMARY:Dentist")));

        // A second "new" event at the same place must not replace the first.
        const auto doubled = awaitResult<WriteResult>(
            [&](auto done) { calendar.put(href, event("zentravio-1@example", "Other"), {}, done); });
        QVERIFY(doubled);
        QCOMPARE(doubled->error.kind(), DavError::Kind::Conflict);
        QCOMPARE(doubled->error.httpStatus(), 412);

        const auto listed = awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); });
        QVERIFY(listed && listed->etags.size() == 1);
        const QString etag = listed->etags.begin().value();
        if (!created->etag.isEmpty())
            QCOMPARE(created->etag, etag);

        const auto edited = awaitResult<WriteResult>(
            [&](auto done) { calendar.put(href, event("zentravio-1@example", "Dentist at 9"), etag, done); });
        QVERIFY(edited && !edited->error.isError());
        QVERIFY(dav.peer({QStringLiteral("get"), url.toString(), QStringLiteral("zentravio-1@example")})
                    .contains(QLatin1String("SUMMARY:Dentist at 9")));

        // The first ETag is stale now: neither an edit nor a deletion may go over the newer event.
        const auto staleEdit = awaitResult<WriteResult>(
            [&](auto done) { calendar.put(href, event("zentravio-1@example", "Lost"), etag, done); });
        QVERIFY(staleEdit);
        QCOMPARE(staleEdit->error.kind(), DavError::Kind::Conflict);
        const auto staleDelete =
            awaitResult<WriteResult>([&](auto done) { calendar.remove(href, etag, done); });
        QVERIFY(staleDelete);
        QCOMPARE(staleDelete->error.kind(), DavError::Kind::Conflict);
        QVERIFY(dav.peer({QStringLiteral("get"), url.toString(), QStringLiteral("zentravio-1@example")})
                    .contains(QLatin1String("SUMMARY:Dentist at 9")));

        const auto now = awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); });
        QVERIFY(now && now->etags.size() == 1);
        const auto removed = awaitResult<WriteResult>(
            [&](auto done) { calendar.remove(href, now->etags.begin().value(), done); });
        QVERIFY(removed && !removed->error.isError());
        QVERIFY(!removed->alreadyGone);
        bool ok = false;
        QCOMPARE(dav.peer({QStringLiteral("uids"), url.toString()}, &ok).trimmed(), QString());
        QVERIFY(ok);

        const auto again = awaitResult<WriteResult>([&](auto done) { calendar.remove(href, {}, done); });
        QVERIFY(again && !again->error.isError());
        QVERIFY(again->alreadyGone);
    }

    void syncReportsChangesSinceItsToken()
    {
        const DavTestServer& dav = server();
        const QUrl url = newCalendar(dav);
        const auto client = clientFor(dav);
        CalendarCollection calendar(*client, url);

        const auto state = awaitResult<CollectionState>([&](auto done) { calendar.readState(done); });
        QVERIFY2(state && !state->error.isError(), state ? qPrintable(state->error.message()) : "");
        QVERIFY(state->offersSync);
        QVERIFY(!state->syncToken.isEmpty());

        QVERIFY(dav.putEvent(url, event("peer-sync", "From the phone")));
        const auto added =
            awaitResult<SyncChanges>([&](auto done) { calendar.changesSince(state->syncToken, done); });
        QVERIFY2(added && !added->error.isError(), added ? qPrintable(added->error.message()) : "");
        QCOMPARE(added->changed.size(), 1);
        QVERIFY(added->removed.isEmpty());
        QVERIFY(!added->token.isEmpty() && added->token != state->syncToken);
        const QString href = added->changed.begin().key();

        const auto removed = awaitResult<WriteResult>(
            [&](auto done) { calendar.remove(href, added->changed.begin().value(), done); });
        QVERIFY(removed && !removed->error.isError());
        const auto gone =
            awaitResult<SyncChanges>([&](auto done) { calendar.changesSince(added->token, done); });
        QVERIFY(gone && !gone->error.isError());
        QVERIFY(gone->changed.isEmpty());
        QCOMPARE(gone->removed.size(), 1);
        QCOMPARE(calendar.urlOf(gone->removed.first()).path(), calendar.urlOf(href).path());

        // A token the server never gave: Radicale says so, and the sync learns to list the calendar again;
        // Xandikos fails with a 500, which must come back as a fault all the same, with no changes.
        const QString bogus = state->syncToken + QStringLiteral("-not-ours");
        const auto expired = awaitResult<SyncChanges>([&](auto done) { calendar.changesSince(bogus, done); });
        QVERIFY(expired);
        QVERIFY(expired->changed.isEmpty() && expired->removed.isEmpty() && expired->token.isEmpty());
        QCOMPARE(expired->error.kind(), dav.kind() == DavTestServer::Kind::Radicale
                                            ? DavError::Kind::TokenExpired
                                            : DavError::Kind::ServerError);
    }

    // An event made here, and then moved here, is read by another client at the same moments, in the zone
    // it was made in.
    void anEventMadeHereKeepsItsZoneOnTheServer()
    {
        const DavTestServer& dav = server();
        const QUrl url = newCalendar(dav);
        const auto client = clientFor(dav);
        CalendarCollection calendar(*client, url);
        const QTimeZone newYork("America/New_York");
        const QDateTime stamp(QDate(2026, 1, 1), QTime(8, 0), QTimeZone::utc());
        ScheduleTable table;
        table.append(1, ScheduleEntry::make(QStringLiteral("01/15/2026"), QStringLiteral("Thursday"),
                                            QStringLiteral("Call"), QStringLiteral("(no note)"),
                                            QStringLiteral("03:00:00 PM"), QStringLiteral("on"),
                                            QStringLiteral("OneTime")));
        EntryIdentities identities;
        identities.append(1);
        const QString uid = identities.uid(0, 1);
        const QString href = calendar.hrefForUid(uid);
        const QByteArray made = EventForm::newEvent(table, 0, identities, stamp, newYork);
        const auto created = awaitResult<WriteResult>([&](auto done) { calendar.put(href, made, {}, done); });
        QVERIFY2(created && !created->error.isError(), created ? qPrintable(created->error.message()) : "");
        const QStringList when = {QStringLiteral("when"), url.toString(), uid};
        QCOMPARE(dav.peer(when).trimmed(), QStringLiteral("America/New_York 20260115T200000Z 20260115T201500Z"));

        // Moved here to 4:00 PM in Berlin, the server's own copy of the event: still New York's time.
        const QByteArray stored = dav.peer({QStringLiteral("get"), url.toString(), uid}).toUtf8();
        const QTimeZone berlin("Europe/Berlin");
        ScheduleEntry moved = EventForm::read(stored, berlin).entry;
        QCOMPARE(moved[ScheduleField::AlarmTime], QStringLiteral("09:00:00 PM"));
        moved[ScheduleField::AlarmTime] = QStringLiteral("04:00:00 PM");
        const EventForm::Patch patch = EventForm::patched(stored, moved, berlin, stamp);
        QCOMPARE(patch.outcome, EventForm::Written::Patched);
        const auto listed = awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); });
        QVERIFY(listed && listed->etags.size() == 1);
        const auto edited = awaitResult<WriteResult>(
            [&](auto done) { calendar.put(href, patch.data, listed->etags.begin().value(), done); });
        QVERIFY2(edited && !edited->error.isError(), edited ? qPrintable(edited->error.message()) : "");
        QCOMPARE(dav.peer(when).trimmed(), QStringLiteral("America/New_York 20260115T150000Z 20260115T151500Z"));
    }

    void cleanupTestCase() { m_servers.stop(); }
};

QTEST_GUILESS_MAIN(TestCalDavServers)
#include "TestCalDavServers.moc"
