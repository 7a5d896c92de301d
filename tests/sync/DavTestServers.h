#pragma once

#include "sync/DavTestServer.h"

#include <QTest>

#include <map>
#include <memory>
#include <vector>

// Several servers side by side, for a test program whose every test runs against each: the test's global
// data has one row a server ("kind"), and server() is the one of the row under way. Radicale and Xandikos
// unless the test names others.
class DavTestServers
{
public:
    using Kinds = std::vector<DavTestServer::Kind>;

    static Kinds radicaleAndXandikos()
    {
        return {DavTestServer::Kind::Radicale, DavTestServer::Kind::Xandikos};
    }
    static Kinds everyFamily()
    {
        return {DavTestServer::Kind::Radicale, DavTestServer::Kind::Xandikos, DavTestServer::Kind::DAViCal,
                DavTestServer::Kind::Cyrus};
    }

    // In initTestCase_data().
    static void addRows(const Kinds& kinds = radicaleAndXandikos())
    {
        QTest::addColumn<int>("kind");
        for (const auto kind : kinds)
            QTest::newRow(qPrintable(DavTestServer::nameOf(kind))) << static_cast<int>(kind);
    }

    // In initTestCase(): false, with the reason, when one would not start. A server whose packages are
    // missing from this machine is left out instead; notRunning() then gives the reason for its rows.
    bool start(QString* why, const Kinds& kinds = radicaleAndXandikos())
    {
        for (const auto kind : kinds) {
            bool notInstalled = false;
            auto server = DavTestServer::start(kind, why, false, &notInstalled);
            if (!server && !notInstalled)
                return false;
            if (!server) {
                m_notRunning[kind] = *why;
                continue;
            }
            qInfo("%s took requests after %lld ms", qPrintable(DavTestServer::nameOf(kind)),
                  server->startMs());
            m_servers[kind] = std::move(server);
        }
        why->clear();
        return true;
    }

    // In init(): why the server of the row under way is not running, or an empty text.
    QString notRunning() const
    {
        QFETCH_GLOBAL(int, kind);
        const auto missing = m_notRunning.find(static_cast<DavTestServer::Kind>(kind));
        return missing == m_notRunning.end() ? QString() : missing->second;
    }

    const DavTestServer& server() const
    {
        QFETCH_GLOBAL(int, kind);
        return *m_servers.at(static_cast<DavTestServer::Kind>(kind));
    }

    void stop() { m_servers.clear(); }

private:
    std::map<DavTestServer::Kind, std::unique_ptr<DavTestServer>> m_servers;
    std::map<DavTestServer::Kind, QString> m_notRunning;
};
