#pragma once

#include "account/AccountDraft.h"
#include "sync/CalendarDiscovery.h"

#include <QObject>

#include <functional>
#include <memory>

class DavClient;

// "Find calendars" for the account window: asks the server for the user's event calendars with the
// credentials the form holds, without the window ever waiting on the network. A search that is
// cancelled, or that another one replaced, never answers.
class CalendarSearch : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const DiscoveryResult&)>;

    explicit CalendarSearch(QObject* parent = nullptr);
    ~CalendarSearch() override;

    // 0 keeps the client's usual timeout.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    void find(const AccountDraft::Credentials& credentials, Done done);
    void cancel();
    bool isRunning() const { return m_running; }

private:
    std::unique_ptr<DavClient> m_client;
    std::unique_ptr<CalendarDiscovery> m_discovery;
    int m_timeoutMs = 0;
    int m_generation = 0;
    bool m_running = false;
};
