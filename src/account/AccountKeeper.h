#pragma once

#include "sync/AccountSettings.h"

#include <QObject>
#include <QString>

#include <functional>

class PasswordStore;
class SettingsStore;
class SyncService;

// Stores and forgets the sync account for the account window: the password in the Secret Service (or
// this run's memory where there is none), the rest in the settings, and tells the sync service. The
// schedule's entries are never touched: removing the account leaves them as they are.
class AccountKeeper : public QObject
{
    Q_OBJECT

public:
    struct Outcome
    {
        bool ok = false;
        QString message; // what was done, or why not
    };
    using Done = std::function<void(const Outcome&)>;

    // `sync` may be null where nothing syncs (the account is then only stored).
    AccountKeeper(SettingsStore& settings, PasswordStore& passwords, SyncService* sync,
                  QObject* parent = nullptr);

    // Stores `account`; a non-empty `password` replaces the stored one. A password kept under another
    // user or server before is removed.
    void save(const AccountSettings& account, const QString& password, Done done);
    // Forgets the account and its password.
    void remove(Done done);

private:
    void storeSettings(const AccountSettings& account, const QString& passwordProblem, Done done);

    SettingsStore& m_settings;
    PasswordStore& m_passwords;
    SyncService* m_sync;
};
