#pragma once

#include "sync/DavTestServer.h"

#include <QTest>

#include <map>
#include <memory>

// Radicale and Xandikos side by side, for a test program whose every test runs against each: the test's
// global data has one row a server ("kind"), and server() is the one of the row under way.
class DavTestServers
{
public:
    // In initTestCase_data().
    static void addRows()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("radicale") << static_cast<int>(DavTestServer::Kind::Radicale);
        QTest::newRow("xandikos") << static_cast<int>(DavTestServer::Kind::Xandikos);
    }

    // In initTestCase(): false, with the reason, when one would not start.
    bool start(QString* why)
    {
        for (const auto kind : {DavTestServer::Kind::Radicale, DavTestServer::Kind::Xandikos}) {
            auto server = DavTestServer::start(kind, why);
            if (!server)
                return false;
            m_servers[kind] = std::move(server);
        }
        return true;
    }

    const DavTestServer& server() const
    {
        QFETCH_GLOBAL(int, kind);
        return *m_servers.at(static_cast<DavTestServer::Kind>(kind));
    }

    void stop() { m_servers.clear(); }

private:
    std::map<DavTestServer::Kind, std::unique_ptr<DavTestServer>> m_servers;
};
