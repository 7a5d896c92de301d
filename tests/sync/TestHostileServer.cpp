#include "settings/SettingsStore.h"
#include "sync/AccountSettings.h"
#include "sync/AccountSetup.h"
#include "sync/CalendarCollection.h"
#include "sync/CalendarData.h"
#include "sync/CalendarDiscovery.h"
#include "sync/DavClient.h"
#include "sync/PasswordStore.h"
#include "sync/ScriptedServer.h"
#include "sync/SyncSide.h"
#include "sync/SyncWait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray calendarEvent(const QByteArray& uid, const QByteArray& extra = {})
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260301T090000\r\nSUMMARY:S\r\n" + extra +
           "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

QByteArray nested(int depth)
{
    QByteArray inner;
    for (int i = 0; i < depth; ++i)
        inner += "BEGIN:X-N\r\n";
    for (int i = 0; i < depth; ++i)
        inner += "END:X-N\r\n";
    return calendarEvent("nested", inner);
}

QByteArray minutelyZone()
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//EN\r\nBEGIN:VTIMEZONE\r\nTZID:Busy\r\n"
           "BEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nRRULE:FREQ=MINUTELY\r\nTZOFFSETFROM:+0000\r\n"
           "TZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nUID:zone\r\n"
           "DTSTART;TZID=Busy:20260301T090000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

} // namespace

// A calendar server that is hostile or broken in the ways a tester's small server on 127.0.0.1 can be:
// what it sends is checked against the import's limits before libical sees it, no answer is read past
// its size or its deadline, no request or password goes to another server or outside the calendar, and
// after each of them the client answers the next request.
class TestHostileServer : public QObject
{
    Q_OBJECT

private slots:
    void calendarDataMeetsTheImportsLimits_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("uid");    // empty: refused
        QTest::addColumn<QString>("reason"); // a part of the reason given
        QTest::newRow("an event") << calendarEvent("plain") << "plain"
                                  << "";
        QTest::newRow("100,000 nested components") << nested(100000) << ""
                                                   << "nest deeper";
        QTest::newRow("a 2 MB line of an unused property")
            << calendarEvent("long", "X-LONG:" + QByteArray(2 << 20, 'a') + "\r\n") << ""
            << "longer than 1 MB";
        QTest::newRow("a 2 MB line folded")
            << calendarEvent("folded", "X-LONG:" + QByteArray(1 << 20, 'a') + "\r\n " +
                                           QByteArray(1 << 20, 'b') + "\r\n")
            << ""
            << "longer than 1 MB";
        QTest::newRow("a zone parameter that is a path")
            << calendarEvent("path", "EXDATE;TZID=/../../etc/passwd:20260302T090000\r\n") << ""
            << "reaches into folders";
        QTest::newRow("a quoted zone parameter that is a path")
            << calendarEvent("quoted", "RDATE;VALUE=DATE-TIME;TZID=\"../x\":20260302T090000\r\n") << ""
            << "reaches into folders";
        QTest::newRow("a zone that changes every minute") << minutelyZone() << ""
                                                          << "refused";
        QTest::newRow("a zero byte") << calendarEvent("zero", QByteArray("X-Z:a\0b\r\n", 9)) << ""
                                     << "zero byte";
        QTest::newRow("larger than an event may be") << calendarEvent("big", QByteArray(5 << 20, 'x')) << ""
                                                     << "larger than 4 MB";
        QTest::newRow("a calendar without an event")
            << QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n") << ""
            << "no event";
        QTest::newRow("components that do not close")
            << QByteArray("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:open\r\n") << ""
            << "cut off";
    }

    void calendarDataMeetsTheImportsLimits()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, uid);
        QFETCH(QString, reason);
        QString why;
        QCOMPARE(CalendarData::eventUid(data, &why), uid);
        QVERIFY2(why.contains(reason), qPrintable(why));
    }

    void hrefsStayInsideTheCalendar_data()
    {
        QTest::addColumn<QString>("href");
        QTest::addColumn<int>("place");
        using P = CalendarCollection::Place;
        QTest::newRow("member") << "/cal/a.ics" << int(P::Member);
        QTest::newRow("relative member") << "a.ics" << int(P::Member);
        QTest::newRow("absolute member") << "http://127.0.0.1:5232/cal/a.ics" << int(P::Member);
        QTest::newRow("encoded member") << "/cal/a%20b.ics" << int(P::Member);
        QTest::newRow("the calendar") << "/cal/" << int(P::Self);
        QTest::newRow("the calendar without slash") << "/cal" << int(P::Self);
        QTest::newRow("climbs out") << "/cal/../../../../etc/passwd.ics" << int(P::Outside);
        QTest::newRow("climbs out encoded") << "/cal/%2e%2e/etc.ics" << int(P::Outside);
        QTest::newRow("encoded slash") << "/cal/a%2Fb.ics" << int(P::Outside);
        QTest::newRow("deeper folder") << "/cal/sub/a.ics" << int(P::Outside);
        QTest::newRow("neighbour") << "/calendar/a.ics" << int(P::Outside);
        QTest::newRow("other host") << "http://127.0.0.2:5232/cal/a.ics" << int(P::Outside);
        QTest::newRow("other port") << "http://127.0.0.1:5233/cal/a.ics" << int(P::Outside);
        QTest::newRow("other scheme") << "https://127.0.0.1:5232/cal/a.ics" << int(P::Outside);
        QTest::newRow("empty") << "" << int(P::Outside);
    }

    void hrefsStayInsideTheCalendar()
    {
        QFETCH(QString, href);
        QFETCH(int, place);
        QString why;
        const auto found =
            CalendarCollection::placeOf(QUrl(QStringLiteral("http://127.0.0.1:5232/cal/")), href, &why);
        QCOMPARE(int(found), place);
        QCOMPARE(why.isEmpty(), found != CalendarCollection::Place::Outside);
    }

    void hostileAnswersEndBoundedAndTheNextRequestWorks_data()
    {
        QTest::addColumn<QString>("shape");
        for (const char* shape : {"nested components", "long line", "huge answer", "never-ending answer",
                                  "redirect to another server", "relative redirect", "hrefs outside",
                                  "discovery sent to another server"})
            QTest::newRow(shape) << QString::fromLatin1(shape);
    }

    void hostileAnswersEndBoundedAndTheNextRequestWorks()
    {
        QFETCH(QString, shape);
        ScriptedServer other;
        other.setScript([](const ScriptedServer::Request&, QTcpSocket& client) {
            ScriptedServer::answer(client, "207 Multi-Status", ScriptedServer::multistatus({}));
        });
        ScriptedServer server;
        const QByteArray good = ScriptedServer::response("/cal/good.ics", "\"1\"", calendarEvent("good"));
        const auto answerWith = [&server](const QByteArray& responses) {
            server.setScript([responses](const ScriptedServer::Request&, QTcpSocket& client) {
                ScriptedServer::answer(client, "207 Multi-Status", ScriptedServer::multistatus(responses));
            });
        };
        DavClient client;
        client.setCredentials(QStringLiteral("alice"), QStringLiteral("secret"));
        client.setTimeout(1000);
        client.setDeadline(2000);
        CalendarCollection calendar(client, server.url(QStringLiteral("/cal/")));
        QElapsedTimer clock;
        clock.start();

        if (shape == "nested components" || shape == "long line") {
            const QByteArray hostile =
                shape == "nested components"
                    ? nested(100000)
                    : calendarEvent("long", "X-L:" + QByteArray(50 << 20, 'a') + "\r\n");
            answerWith(good + ScriptedServer::response("/cal/bad.ics", "\"2\"", hostile));
            const auto result = awaitResult<FetchResult>([&](auto done) { calendar.fetchAll(done); }, 10000);
            QVERIFY(result);
            QVERIFY2(!result->error.isError(), qPrintable(result->error.message()));
            QCOMPARE(result->events.size(), 1);
            QCOMPARE(result->events.first().uid, QStringLiteral("good"));
            QCOMPARE(result->unreadable.size(), 1);
            QVERIFY(result->unreadable.first().startsWith(QLatin1String("/cal/bad.ics\t")));
        } else if (shape == "huge answer" || shape == "never-ending answer") {
            const bool huge = shape == "huge answer";
            // Chunks that keep coming: 1 MB at once, or one byte every 100 ms.
            server.setScript([huge](const ScriptedServer::Request&, QTcpSocket& client) {
                client.write(
                    "HTTP/1.1 207 Multi-Status\r\nConnection: close\r\n\r\n<d:multistatus xmlns:d=\"DAV:\">");
                auto* timer = new QTimer(&client);
                QObject::connect(timer, &QTimer::timeout, &client, [&client, huge] {
                    client.write(huge ? QByteArray(1 << 20, ' ') : QByteArray(" "));
                });
                timer->start(huge ? 1 : 100);
            });
            DavRequest request{"PROPFIND",         server.url(QStringLiteral("/cal/")), {}, 1, {}, {},
                               QStringLiteral("t")};
            request.maxAnswerBytes = 8 << 20;
            const auto reply =
                awaitResult<DavReply>([&](auto done) { client.send(request, this, done); }, 10000);
            QVERIFY(reply);
            QCOMPARE(int(reply->error.kind()),
                     int(huge ? DavError::Kind::TooLarge : DavError::Kind::Timeout));
            QVERIFY(reply->body.isEmpty());
            answerWith(good);
        } else if (shape == "redirect to another server" || shape == "relative redirect") {
            const bool away = shape == "redirect to another server";
            server.setScript([&](const ScriptedServer::Request& request, QTcpSocket& client) {
                if (request.path == "/cal/")
                    ScriptedServer::answer(client, "307 Temporary Redirect", {},
                                           "Location: " +
                                               (away ? other.url(QStringLiteral("/cal/")).toEncoded()
                                                     : QByteArray("../moved/")) +
                                               "\r\n");
                else
                    ScriptedServer::answer(
                        client, "207 Multi-Status",
                        ScriptedServer::multistatus(ScriptedServer::response("/moved/a.ics", "\"1\"")));
            });
            const auto listing =
                awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); }, 10000);
            QVERIFY(listing);
            if (away) {
                QCOMPARE(int(listing->error.kind()), int(DavError::Kind::UnsafeAddress));
                QVERIFY2(listing->error.message().contains(other.url().host()),
                         qPrintable(listing->error.message()));
            } else {
                QVERIFY2(!listing->error.isError(), qPrintable(listing->error.message()));
                QCOMPARE(server.requests().last().path, QByteArray("/moved/"));
                QVERIFY(!server.requests().last().authorization.isEmpty());
            }
            answerWith(good);
        } else if (shape == "hrefs outside") {
            answerWith(good + ScriptedServer::response("http://127.0.0.2:1/cal/x.ics", "\"2\"") +
                       ScriptedServer::response("/cal/../../../../etc/passwd.ics", "\"3\"") +
                       ScriptedServer::response("/cal/" + QByteArray(100000, 'h') + ".ics", "\"4\""));
            const auto listing =
                awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); }, 10000);
            QVERIFY(listing);
            QCOMPARE(listing->etags.keys(), QStringList{QStringLiteral("/cal/good.ics")});
            QCOMPARE(listing->ignored.size(), 3);
            const int before = int(server.requests().size());
            for (const QString& href : {QStringLiteral("/cal/../../../../etc/passwd.ics"),
                                        QStringLiteral("/cal/") + QString(100000, u'h')}) {
                const auto put = awaitResult<WriteResult>(
                    [&](auto done) { calendar.put(href, calendarEvent("x"), {}, done); }, 10000);
                QVERIFY(put);
                QCOMPARE(int(put->error.kind()), int(DavError::Kind::UnsafeAddress));
                const auto removed = awaitResult<WriteResult>(
                    [&](auto done) { calendar.remove(href, QStringLiteral("\"3\""), done); }, 10000);
                QVERIFY(removed);
                QCOMPARE(int(removed->error.kind()), int(DavError::Kind::UnsafeAddress));
            }
            const auto fetched = awaitResult<FetchResult>(
                [&](auto done) { calendar.fetch({QStringLiteral("/cal/%2e%2e/x.ics")}, done); }, 10000);
            QVERIFY(fetched);
            QCOMPARE(fetched->ignored.size(), 1);
            QCOMPARE(server.requests().size(), before);
        } else if (shape == "discovery sent to another server") {
            server.setScript([&](const ScriptedServer::Request&, QTcpSocket& client) {
                ScriptedServer::answer(client, "301 Moved Permanently", {},
                                       "Location: " + other.url(QStringLiteral("/dav/")).toEncoded() +
                                           "\r\n");
            });
            CalendarDiscovery discovery(client);
            const auto found = awaitResult<DiscoveryResult>(
                [&](auto done) { discovery.discover(server.url(QStringLiteral("/dav/")), done); }, 10000);
            QVERIFY(found);
            QCOMPARE(found->otherServer, other.url(QStringLiteral("/dav/")));
            QVERIFY(found->calendars.isEmpty());
            answerWith(good);
        }
        QVERIFY(clock.elapsed() < 10000);
        // Nothing reached the other server, with or without the password.
        QCOMPARE(other.requests().size(), 0);

        // The client is still live: the next answer is read as ever.
        if (shape != "hrefs outside") {
            answerWith(good);
            const auto next = awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); }, 10000);
            QVERIFY(next);
            QVERIFY2(!next->error.isError(), qPrintable(next->error.message()));
            QCOMPARE(next->etags.size(), 1);
        }
    }

    void aSyncSentToAnotherServerChangesNothing()
    {
        ScriptedServer other;
        ScriptedServer server([&other](const ScriptedServer::Request&, QTcpSocket& client) {
            ScriptedServer::answer(client, "307 Temporary Redirect", {},
                                   "Location: " + other.url(QStringLiteral("/cal/")).toEncoded() + "\r\n");
        });
        SyncSide side(server.url(QStringLiteral("/cal/")), QStringLiteral("alice"), QStringLiteral("secret"));
        for (const char* subject : {"One", "Two", "Three", "Four", "Five"})
            side.add(QString::fromLatin1(subject));
        const SyncReport report = side.sync(true, 10000);
        QVERIFY(!report.ok);
        QVERIFY2(report.error.contains(QLatin1String("another server")), qPrintable(report.error));
        QCOMPARE(side.database().table().size(), size_t(5));
        QCOMPARE(other.requests().size(), 0);
        QVERIFY(server.requests().size() >= 1);
    }

    void aSyncTakesAndWritesOnlyInsideTheCalendar()
    {
        ScriptedServer other;
        const QByteArray listed =
            ScriptedServer::response("/cal/good.ics", "\"1\"", calendarEvent("good")) +
            ScriptedServer::response(other.url(QStringLiteral("/cal/x.ics")).toEncoded(), "\"2\"",
                                     calendarEvent("elsewhere")) +
            ScriptedServer::response("/cal/../../etc/passwd.ics", "\"3\"", calendarEvent("climbing")) +
            ScriptedServer::response("/cal/" + QByteArray(100000, 'h') + ".ics", "\"4\"",
                                     calendarEvent("long"));
        ScriptedServer server([&listed](const ScriptedServer::Request& request, QTcpSocket& client) {
            if (request.method == "PUT")
                ScriptedServer::answer(client, "201 Created", {}, "ETag: \"new\"\r\n");
            else if (request.body.contains("getctag")) // the calendar's own description
                ScriptedServer::answer(client, "207 Multi-Status",
                                       ScriptedServer::multistatus(ScriptedServer::response("/cal/", "\"c\"")));
            else
                ScriptedServer::answer(client, "207 Multi-Status", ScriptedServer::multistatus(listed));
        });
        SyncSide side(server.url(QStringLiteral("/cal/")), QStringLiteral("alice"), QStringLiteral("secret"));
        side.add(QStringLiteral("Mine"));
        const SyncReport report = side.sync(true, 10000);
        QVERIFY2(report.ok, qPrintable(report.error));
        // The calendar's own event came in beside the local entry; the others stayed out.
        QCOMPARE(side.database().table().size(), size_t(2));
        QCOMPARE(side.withSubject(QStringLiteral("S")).size(), size_t(1));
        for (const ScriptedServer::Request& request : server.requests()) {
            QVERIFY2(request.path.startsWith("/cal/") && !request.path.contains(".."),
                     request.path.constData());
            QVERIFY(request.path.size() < 1000);
        }
        QVERIFY(std::any_of(server.requests().begin(), server.requests().end(),
                            [](const ScriptedServer::Request& request) { return request.method == "PUT"; }));
        QCOMPARE(other.requests().size(), 0);
    }

    void aSettingsFileOthersMayWriteHoldsNoAccount()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Zentravio.conf"));
        AccountSettings account;
        account.server = QStringLiteral("http://127.0.0.1:5232/");
        account.user = QStringLiteral("alice");
        account.calendarUrl = QUrl(QStringLiteral("http://127.0.0.1:5232/alice/cal/"));
        {
            SettingsStore settings(path);
            QVERIFY(account.save(settings));
            QVERIFY(AccountSettings::load(settings).isSet());
        }
        const QFile::Permissions groupWrite =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup;
        QVERIFY(QFile::setPermissions(path, groupWrite));
        SettingsStore settings(path);
        const AccountSettings read = AccountSettings::load(settings);
        QVERIFY(!read.isSet());
        QVERIFY2(read.refusal.contains(QLatin1String("other users")), qPrintable(read.refusal));
        // Said, not mended behind the user's back.
        QCOMPARE(QFile::permissions(path) & groupWrite, groupWrite);

        // Nor is an account set up into it: the password goes nowhere.
        ScriptedServer server;
        PasswordStore passwords(false);
        AccountSetup setup(settings, passwords);
        const auto outcome = awaitResult<AccountSetup::Outcome>([&](auto done) {
            setup.run(
                {server.url().toString(), QStringLiteral("alice"), QStringLiteral("secret"), {}, {}, 1000},
                done);
        });
        QVERIFY(outcome);
        QVERIFY(!outcome->ok);
        QCOMPARE(server.requests().size(), 0);

        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(AccountSettings::load(settings).isSet());
    }

    void thePasswordIsKeptForTheWholeOrigin_data()
    {
        QTest::addColumn<QString>("calendar");
        QTest::addColumn<QString>("key");
        QTest::newRow("https") << "https://dav.example.org/cal/"
                               << "https://alice%40home@dav.example.org:443";
        QTest::newRow("https port") << "https://dav.example.org:8443/cal/"
                                    << "https://alice%40home@dav.example.org:8443";
        QTest::newRow("http loopback") << "http://127.0.0.1:5232/cal/"
                                       << "http://alice%40home@127.0.0.1:5232";
        QTest::newRow("host case") << "https://DAV.example.org/cal/"
                                   << "https://alice%40home@dav.example.org:443";
    }

    void thePasswordIsKeptForTheWholeOrigin()
    {
        QFETCH(QString, calendar);
        QFETCH(QString, key);
        AccountSettings account;
        account.server = calendar;
        account.user = QStringLiteral("alice@home");
        account.calendarUrl = QUrl(calendar);
        QCOMPARE(account.passwordKey(), key);
        // A password kept under the user at the host alone is found once more, and moved to its key.
        const QString former = AccountSettings::formerPasswordKey(key);
        QCOMPARE(former, QStringLiteral("alice@home@") + QUrl(calendar).host());
        PasswordStore passwords(false);
        passwords.write(former, QStringLiteral("secret"), [](const PasswordStore::Outcome&) {});
        const auto read = awaitResult<PasswordStore::Outcome>([&](auto done) { passwords.read(key, done); });
        QVERIFY(read && read->found);
        QCOMPARE(read->password, QStringLiteral("secret"));
        QVERIFY(AccountSettings::formerPasswordKey(former).isEmpty());
    }
};

QTEST_MAIN(TestHostileServer)
#include "TestHostileServer.moc"
