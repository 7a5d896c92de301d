#include "account/CalendarSearch.h"

#include "sync/DavClient.h"
#include "sync/ServerAddress.h"

CalendarSearch::CalendarSearch(QObject* parent) : QObject(parent) {}

CalendarSearch::~CalendarSearch()
{
    cancel();
}

void CalendarSearch::find(const AccountDraft::Credentials& credentials, Done done)
{
    cancel();
    // A client of its own for each search, so that the password and certificate of an earlier one are
    // never used for the next.
    m_discovery.reset();
    m_client = std::make_unique<DavClient>();
    m_client->setCredentials(credentials.user, credentials.password);
    m_client->setAcceptedFingerprint(credentials.fingerprint);
    if (m_timeoutMs > 0)
        m_client->setTimeout(m_timeoutMs);
    m_discovery = std::make_unique<CalendarDiscovery>(*m_client);
    m_running = true;
    const int generation = ++m_generation;
    m_discovery->discover(ServerAddress::fromUserText(credentials.server),
                          [this, generation, done = std::move(done)](const DiscoveryResult& result) {
                              if (generation != m_generation)
                                  return;
                              m_running = false;
                              done(result);
                          });
}

void CalendarSearch::cancel()
{
    ++m_generation;
    m_running = false;
    if (m_client)
        m_client->cancelAll();
}
