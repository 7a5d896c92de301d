#include "sync/CalendarCollection.h"
#include "sync/CalendarDiscovery.h"
#include "sync/DavClient.h"
#include "sync/DavTestServer.h"
#include "sync/FaultProxy.h"
#include "sync/ServerAddress.h"
#include "sync/SyncWait.h"

#include <QElapsedTimer>
#include <QSslCertificate>
#include <QTest>
#include <QTimer>

// What the calendar client makes of a network and servers that misbehave: every fault comes back as a
// result in the program's own words, within the timeout, without the event loop ever waiting, and the
// next request after the fault works again. The faults come from a loopback proxy in front of Radicale;
// the certificate checks from Radicale serving HTTPS with a certificate of its own.
class TestSyncFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DavTestServer> m_server;
    QUrl m_calendar;

    // The calendar's address through the proxy.
    static QUrl through(const FaultProxy& proxy, const QUrl& url)
    {
        QUrl proxied = url;
        proxied.setPort(proxy.url().port());
        return proxied;
    }

private slots:
    void initTestCase()
    {
        QString why;
        m_server = DavTestServer::start(DavTestServer::Kind::Radicale, &why);
        QVERIFY2(m_server, qPrintable(why));
        m_calendar = m_server->makeCalendar(QStringLiteral("Faults"));
        QVERIFY(m_calendar.isValid());
        QVERIFY(m_server->putEvent(m_calendar, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//EN\r\n"
                                               "BEGIN:VEVENT\r\nUID:kept\r\nDTSTAMP:20260101T000000Z\r\n"
                                               "DTSTART:20260301T090000\r\nSUMMARY:Kept\r\nEND:VEVENT\r\n"
                                               "END:VCALENDAR\r\n"));
    }

    void faultsBecomeResultsAndTheNextRequestWorks_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("retried");
        using F = FaultProxy::Fault;
        using K = DavError::Kind;
        QTest::newRow("dropped mid-answer") << int(F::DropMidResponse) << int(K::Connection) << true;
        QTest::newRow("500") << int(F::Status500) << int(K::ServerError) << true;
        QTest::newRow("401") << int(F::Status401) << int(K::Unauthorized) << false;
        QTest::newRow("no WebDAV") << int(F::Nonsense) << int(K::BadResponse) << true;
    }

    void faultsBecomeResultsAndTheNextRequestWorks()
    {
        QFETCH(int, fault);
        QFETCH(int, kind);
        QFETCH(bool, retried);
        FaultProxy proxy(m_server->port());
        DavClient client;
        client.setCredentials(m_server->user(), m_server->password());
        CalendarCollection calendar(client, through(proxy, m_calendar));

        proxy.setFault(static_cast<FaultProxy::Fault>(fault));
        for (const bool fetching : {false, true}) {
            DavError error;
            if (fetching) {
                const auto result = awaitResult<FetchResult>([&](auto done) { calendar.fetchAll(done); });
                QVERIFY(result);
                QVERIFY(result->events.isEmpty());
                error = result->error;
            } else {
                const auto result = awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); });
                QVERIFY(result);
                QVERIFY(result->etags.isEmpty());
                error = result->error;
            }
            QCOMPARE(int(error.kind()), kind);
            QCOMPARE(error.worthRetrying(), retried);
            QVERIFY(!error.message().isEmpty());
            QVERIFY2(!error.message().contains(m_server->password()), qPrintable(error.message()));
        }

        proxy.setFault(FaultProxy::Fault::None);
        const auto fetched = awaitResult<FetchResult>([&](auto done) { calendar.fetchAll(done); });
        QVERIFY(fetched && !fetched->error.isError());
        QCOMPARE(fetched->events.size(), 1);
        QCOMPARE(fetched->events.first().uid, QStringLiteral("kept"));
    }

    void aSilentServerTimesOutWhileTheLoopGoesOn()
    {
        FaultProxy proxy(m_server->port());
        proxy.setFault(FaultProxy::Fault::Silence, 4000);
        DavClient client;
        client.setCredentials(m_server->user(), m_server->password());
        client.setTimeout(600);
        CalendarCollection calendar(client, through(proxy, m_calendar));

        // The window's thread is this loop: a timer on it must keep ticking while the server is silent.
        QElapsedTimer clock;
        clock.start();
        qint64 lastTick = 0;
        qint64 longestGap = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - lastTick);
            lastTick = clock.elapsed();
        });
        ticker.start(10);

        const auto result = awaitResult<EtagListing>([&](auto done) { calendar.listEtags(done); });
        const qint64 took = clock.elapsed();
        QVERIFY(result);
        QCOMPARE(result->error.kind(), DavError::Kind::Timeout);
        QVERIFY(result->error.worthRetrying());
        QVERIFY2(took >= 550 && took < 3500, qPrintable(QString::number(took)));
        QVERIFY2(longestGap < 400, qPrintable(QString::number(longestGap)));
        QCOMPARE(client.timeout(), 600);
        QCOMPARE(DavClient::DefaultTimeoutMs, 30000);
    }

    void aSlowButSteadyAnswerIsWaitedFor()
    {
        // Eight parts 250 ms apart: two seconds in all, with a timeout of 600 ms of silence.
        FaultProxy proxy(m_server->port());
        proxy.setFault(FaultProxy::Fault::Trickle, 250);
        DavClient client;
        client.setCredentials(m_server->user(), m_server->password());
        client.setTimeout(600);
        CalendarCollection calendar(client, through(proxy, m_calendar));
        const auto fetched = awaitResult<FetchResult>([&](auto done) { calendar.fetchAll(done); });
        QVERIFY(fetched);
        QVERIFY2(!fetched->error.isError(), qPrintable(fetched->error.message()));
        QCOMPARE(fetched->events.size(), 1);
    }

    void unreachableAndUnsafeAddressesAreRefused()
    {
        DavClient client;
        client.setCredentials(QStringLiteral("alice"), QStringLiteral("pw"));
        CalendarDiscovery discovery(client);

        QUrl closed(QStringLiteral("http://127.0.0.1/"));
        closed.setPort(DavTestServer::freePort());
        const auto refused =
            awaitResult<DiscoveryResult>([&](auto done) { discovery.discover(closed, done); });
        QVERIFY(refused);
        QCOMPARE(refused->error.kind(), DavError::Kind::Connection);

        // Refused before any byte is sent: plain HTTP to another machine would carry the password openly.
        for (const char* address :
             {"http://calendar.example.com/", "ftp://127.0.0.1/", "https://bob:pw@example.com/"}) {
            const auto unsafe =
                awaitResult<DiscoveryResult>([&](auto done) { discovery.discover(QUrl(address), done); });
            QVERIFY(unsafe);
            QCOMPARE(unsafe->error.kind(), DavError::Kind::UnsafeAddress);
            QVERIFY(!unsafe->error.worthRetrying());
        }
    }

    void aCertificateThatDoesNotVerifyNeedsItsFingerprintAccepted()
    {
        QString why;
        const auto secure = DavTestServer::start(DavTestServer::Kind::Radicale, &why, true);
        QVERIFY2(secure, qPrintable(why));
        const QList<QSslCertificate> certificates = QSslCertificate::fromPath(secure->certificateFile());
        QCOMPARE(certificates.size(), 1);
        const QString fingerprint = ServerAddress::fingerprint(certificates.first());
        QCOMPARE(fingerprint.size(), 32 * 3 - 1);

        DavClient client;
        client.setCredentials(secure->user(), secure->password());
        CalendarDiscovery discovery(client);
        const auto refused =
            awaitResult<DiscoveryResult>([&](auto done) { discovery.discover(secure->root(), done); });
        QVERIFY(refused);
        QCOMPARE(refused->error.kind(), DavError::Kind::Certificate);
        QVERIFY2(refused->error.message().contains(fingerprint), qPrintable(refused->error.message()));

        QString other = fingerprint;
        other.replace(
            0, 2, fingerprint.startsWith(QLatin1String("00")) ? QStringLiteral("11") : QStringLiteral("00"));
        client.setAcceptedFingerprint(other);
        const auto stillRefused =
            awaitResult<DiscoveryResult>([&](auto done) { discovery.discover(secure->root(), done); });
        QVERIFY(stillRefused);
        QCOMPARE(stillRefused->error.kind(), DavError::Kind::Certificate);

        // Accepted as the user copies it: lower case, without separators.
        client.setAcceptedFingerprint(fingerprint.toLower().remove(QLatin1Char(':')));
        const QUrl made = secure->makeCalendar(QStringLiteral("Secure"));
        Q_UNUSED(made);
        const auto accepted =
            awaitResult<DiscoveryResult>([&](auto done) { discovery.discover(secure->root(), done); });
        QVERIFY(accepted);
        QVERIFY2(!accepted->error.isError(), qPrintable(accepted->error.message()));
    }

    void cleanupTestCase() { m_server.reset(); }
};

QTEST_GUILESS_MAIN(TestSyncFaults)
#include "TestSyncFaults.moc"
