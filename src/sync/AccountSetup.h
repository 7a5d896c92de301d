#pragma once

#include "sync/AccountSettings.h"
#include "sync/CalendarDiscovery.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class DavClient;
class PasswordStore;
class SettingsStore;

// Sets the sync account up from what the user gave: checks the address, finds the user's event
// calendars there (which also proves the password), picks the one named or the first, keeps the
// password in the Secret Service and the rest in the settings. Nothing is stored unless the server
// accepted the password and the calendar was found.
class AccountSetup : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QString server;
        QString user;
        QString password;
        QString calendarName; // empty: the first calendar that holds events
        QString acceptedFingerprint;
        int timeoutMs = 0; // 0: the client's usual timeout
    };
    struct Outcome
    {
        bool ok = false;
        QString message;         // what was set up, or why not
        QString passwordProblem; // set when the password could only be kept in memory
        AccountSettings account;
        QList<CalendarInfo> calendars;
        // The other server the given one sent the search on to: nothing was sent to it, and the message
        // names it, for the user to set the account up with if it is theirs.
        QUrl otherServer;
    };
    using Done = std::function<void(const Outcome&)>;

    AccountSetup(SettingsStore& settings, PasswordStore& passwords, QObject* parent = nullptr);
    ~AccountSetup() override;

    void run(const Request& request, Done done);

private:
    void discovered(const Request& request, const DiscoveryResult& result);
    void finishWith(Outcome outcome);

    SettingsStore& m_settings;
    PasswordStore& m_passwords;
    std::unique_ptr<DavClient> m_client;
    std::unique_ptr<CalendarDiscovery> m_discovery;
    Done m_done;
};
