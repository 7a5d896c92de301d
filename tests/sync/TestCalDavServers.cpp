#include "store/EntryIdentities.h"
#include "store/ScheduleTable.h"
#include "sync/CalendarCollection.h"
#include "sync/CalendarDiscovery.h"
#include "sync/DavClient.h"
#include "sync/DavTestServers.h"
#include "sync/EventForm.h"
#include "sync/SyncSide.h"
#include "sync/SyncWait.h"

#include <QTest>

// The calendar client and the sync against every server family people run - Radicale, Xandikos, DAViCal
// and Cyrus - with python3-caldav as the other party: what it finds, fetches, writes and deletes must be
// what an independent client sees, and a write over a change it has not seen must come back as a conflict.
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

    static QByteArray event(const QByteArray& uid, const QByteArray& summary, const QByteArray& extra = {})
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zentravio tests//EN\r\nBEGIN:VEVENT\r\nUID:" +
               uid +
               "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20261224T183000\r\nDTEND:"
               "20261224T193000\r\nSUMMARY:" +
               summary + "\r\nDESCRIPTION:Bring the wine\\, and the cake\\nSecond line\r\n" + extra +
               "END:VEVENT\r\nEND:VCALENDAR\r\n";
    }

    QUrl newCalendar(const DavTestServer& server, const QString& name = {})
    {
        return server.makeCalendar(name.isEmpty() ? QStringLiteral("Calendar %1").arg(++m_calendars) : name);
    }

    static QStringList uids(const DavTestServer& dav, const QUrl& calendar)
    {
        QStringList list =
            dav.peer({QStringLiteral("uids"), calendar.toString()}).split(u'\n', Qt::SkipEmptyParts);
        list.sort();
        return list;
    }

    // The event as python3-caldav reads it, folded lines unfolded.
    static QString peerGet(const DavTestServer& dav, const QUrl& calendar, const QString& uid)
    {
        return dav.peer({QStringLiteral("get"), calendar.toString(), uid})
            .remove(QStringLiteral("\r\n "))
            .remove(QStringLiteral("\n "));
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
        QVERIFY2(m_servers.start(&why, DavTestServers::everyFamily()), qPrintable(why));
    }

    void initTestCase_data() { DavTestServers::addRows(DavTestServers::everyFamily()); }

    void init()
    {
        if (const QString why = m_servers.notRunning(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }

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

        // Every server that asks for a password refuses a wrong one, and the message never shows it.
        if (!dav.password().isEmpty()) {
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

        // A token the server never gave: Radicale and Cyrus say so, and the sync learns to list the calendar
        // again; Xandikos fails with a 500, which must come back as a fault all the same, with no changes;
        // DAViCal answers as to a first sync, with the whole (now empty) calendar and a token of its own.
        const QString bogus = QStringLiteral("http://example.com/ns/sync/never-given");
        const auto expired = awaitResult<SyncChanges>([&](auto done) { calendar.changesSince(bogus, done); });
        QVERIFY(expired);
        QVERIFY(expired->changed.isEmpty() && expired->removed.isEmpty());
        if (dav.kind() == DavTestServer::Kind::DAViCal) {
            QVERIFY2(!expired->error.isError(), qPrintable(expired->error.message()));
            QVERIFY(!expired->token.isEmpty() && expired->token != bogus);
        } else {
            QVERIFY(expired->token.isEmpty());
            QCOMPARE(expired->error.kind(), dav.kind() == DavTestServer::Kind::Xandikos
                                                ? DavError::Kind::ServerError
                                                : DavError::Kind::TokenExpired);
        }
    }

    // The first sync with a calendar: the server's events come in once, an entry made here goes out, and
    // the next sync has nothing to do.
    void aFirstSyncTakesInAndSendsOut()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        QVERIFY(dav.putEvent(calendar, event("party-1", "Party")));
        SyncSide side(calendar, dav.user(), dav.password());
        const qint64 mine = side.add(QStringLiteral("Made here"));

        const SyncReport first = side.sync(true);
        QCOMPARE(side.withSubject(QStringLiteral("Party")).size(), size_t(1));
        QCOMPARE(side.database().table().size(), size_t(2));
        QVERIFY2(first.ok, qPrintable(first.error));
        QStringList both{QStringLiteral("party-1"), side.database().uidOf(mine)};
        both.sort();
        QCOMPARE(uids(dav, calendar), both);
        const SyncReport second = side.sync();
        QVERIFY2(second.ok, qPrintable(second.error));
        QCOMPARE(second.received + second.sent, 0);
    }

    // Edits and deletions of the server's events, made on either side, reach the other.
    void changesOnEitherSideReachTheOther()
    {
        const DavTestServer& dav = server();
        const QUrl url = newCalendar(dav);
        QVERIFY(dav.putEvent(url, event("talk-1", "Talk")));
        QVERIFY(dav.putEvent(url, event("walk-1", "Walk")));
        SyncSide side(url, dav.user(), dav.password());
        QVERIFY(side.sync(true).ok);
        const qint64 talk = *side.database().rowOf(QStringLiteral("talk-1"));
        const qint64 walk = *side.database().rowOf(QStringLiteral("walk-1"));
        const ScheduleTable& table = side.database().table();

        ScheduleEntry entry = table.entry(table.indexOf(talk));
        entry[ScheduleField::Subject] = QStringLiteral("Talk moved");
        QVERIFY(side.database().update(talk, entry));
        SyncReport report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        const QString seen = peerGet(dav, url, QStringLiteral("talk-1"));
        QVERIFY2(seen.contains(QStringLiteral("SUMMARY:Talk moved")), qPrintable(seen));
        QVERIFY(seen.contains(QStringLiteral("DTEND:20261224T193000")));

        QVERIFY(dav.putEvent(url, event("walk-1", "Walk in the park", "SEQUENCE:1\r\n")));
        report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(table.text(table.indexOf(walk), ScheduleField::Subject), QStringLiteral("Walk in the park"));

        // Deleted on the server by another client, and here.
        const auto client = clientFor(dav);
        CalendarCollection calendar(*client, url);
        const auto all = awaitResult<FetchResult>([&](auto done) { calendar.fetchAll(done); });
        QVERIFY(all && !all->error.isError());
        for (const RemoteEvent& there : all->events) {
            if (there.uid == QLatin1String("walk-1")) {
                const auto removed = awaitResult<WriteResult>(
                    [&](auto done) { calendar.remove(there.href, there.etag, done); });
                QVERIFY(removed && !removed->error.isError());
            }
        }
        QVERIFY(side.database().remove(talk));
        report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        QVERIFY(!side.database().rowOf(QStringLiteral("walk-1")));
        QCOMPARE(table.size(), size_t(0));
        QCOMPARE(uids(dav, url), QStringList());
    }

    // An event sent from here and deleted on the server before the next sync goes here too, whatever the
    // server's sync tokens say about changes older than the upload.
    void anEventSentAndDeletedThereGoesHere()
    {
        const DavTestServer& dav = server();
        const QUrl url = newCalendar(dav);
        SyncSide side(url, dav.user(), dav.password());
        QVERIFY(side.sync(true).ok);
        const qint64 row = side.add(QStringLiteral("Sent from here"));
        const SyncReport sent = side.sync();
        QVERIFY2(sent.ok, qPrintable(sent.error));

        const auto client = clientFor(dav);
        CalendarCollection calendar(*client, url);
        const auto listed = awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); });
        QVERIFY(listed && listed->etags.size() == 1);
        const auto removed = awaitResult<WriteResult>([&](auto done) {
            calendar.remove(listed->etags.begin().key(), listed->etags.begin().value(), done);
        });
        QVERIFY(removed && !removed->error.isError());
        const SyncReport after = side.sync();
        QVERIFY2(after.ok, qPrintable(after.error));
        QCOMPARE(side.database().table().indexOf(row), side.database().table().size());
    }

    // An event changed on both sides since the last sync: the server's version is taken in, the one made
    // here is kept beside it as a copy, and the copy reaches the server.
    void aChangeOnBothSidesKeepsBoth()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        QVERIFY(dav.putEvent(calendar, event("talk-1", "Talk")));
        SyncSide side(calendar, dav.user(), dav.password());
        QVERIFY(side.sync(true).ok);
        const qint64 row = *side.database().rowOf(QStringLiteral("talk-1"));
        ScheduleEntry mine = side.database().table().entry(side.database().table().indexOf(row));
        mine[ScheduleField::Subject] = QStringLiteral("Talk (my edit)");
        QVERIFY(side.database().update(row, mine));
        QVERIFY(dav.putEvent(calendar, event("talk-1", "Talk (their edit)", "SEQUENCE:1\r\n")));

        const SyncReport report = side.sync();
        QCOMPARE(report.conflicts, 1);
        const ScheduleTable& table = side.database().table();
        QCOMPARE(table.text(table.indexOf(row), ScheduleField::Subject), QStringLiteral("Talk (their edit)"));
        QCOMPARE(side.withSubject(QStringLiteral("Talk (my edit) (conflict)")).size(), size_t(1));
        QVERIFY(peerGet(dav, calendar, QStringLiteral("talk-1"))
                    .contains(QStringLiteral("SUMMARY:Talk (their edit)")));
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(uids(dav, calendar).size(), 2);
    }

    // A weekly event with a skipped week and one moved week, its subject edited here: every server keeps the
    // rule, the skipped and the moved week, and the place, whether the edit goes up or stays here.
    void aWeeklyEventWithAnExceptionIsNeverNarrowed()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        const QByteArray weekly =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//EN\r\nBEGIN:VEVENT\r\nUID:weekly-1\r\n"
            "DTSTAMP:20260101T000000Z\r\nDTSTART:20261207T093000\r\nDTEND:20261207T103000\r\n"
            "RRULE:FREQ=WEEKLY;BYDAY=MO\r\nEXDATE:20261214T093000\r\nSUMMARY:Standup\r\nLOCATION:Room 4\r\n"
            "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:weekly-1\r\nDTSTAMP:20260101T000000Z\r\n"
            "RECURRENCE-ID:20261221T093000\r\nDTSTART:20261221T110000\r\nDTEND:20261221T120000\r\n"
            "SUMMARY:Standup moved\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        QVERIFY(dav.putEvent(calendar, weekly));
        SyncSide side(calendar, dav.user(), dav.password());
        QVERIFY(side.sync(true).ok);
        const auto row = side.database().rowOf(QStringLiteral("weekly-1"));
        QVERIFY(row);

        const ScheduleTable& table = side.database().table();
        ScheduleEntry entry = table.entry(table.indexOf(*row));
        entry[ScheduleField::Subject] = QStringLiteral("Daily standup");
        QVERIFY(side.database().update(*row, entry));
        const SyncReport report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        const QString seen = peerGet(dav, calendar, QStringLiteral("weekly-1"));
        QVERIFY2(seen.contains(QStringLiteral("SUMMARY:Daily standup")) || report.keptHere == 1,
                 qPrintable(seen));
        for (const char* kept : {"RRULE:FREQ=WEEKLY;BYDAY=MO", "EXDATE:20261214T093000",
                                 "RECURRENCE-ID:20261221T093000", "SUMMARY:Standup moved", "LOCATION:Room 4"})
            QVERIFY2(seen.contains(QLatin1String(kept)), kept);
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
