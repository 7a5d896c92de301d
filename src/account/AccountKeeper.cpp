#include "account/AccountKeeper.h"

#include "sync/PasswordStore.h"
#include "sync/SyncService.h"

#include <QPointer>
#include <QUrl>

AccountKeeper::AccountKeeper(SettingsStore& settings, PasswordStore& passwords, SyncService* sync,
                             QObject* parent)
    : QObject(parent), m_settings(settings), m_passwords(passwords), m_sync(sync)
{}

void AccountKeeper::save(const AccountSettings& account, const QString& password, Done done)
{
    if (password.isEmpty()) {
        storeSettings(account, {}, std::move(done));
        return;
    }
    QPointer<AccountKeeper> self(this);
    m_passwords.write(account.passwordKey(), password,
                      [self, account, done = std::move(done)](const PasswordStore::Outcome& kept) {
                          if (self)
                              self->storeSettings(account, kept.problem, done);
                      });
}

void AccountKeeper::storeSettings(const AccountSettings& account, const QString& passwordProblem, Done done)
{
    const AccountSettings before = AccountSettings::load(m_settings);
    Outcome outcome;
    if (!account.save(m_settings)) {
        outcome.message = tr("The account could not be saved: the settings file could not be written.");
        done(outcome);
        return;
    }
    // The password of a user or server no longer synced with has no business in the Secret Service.
    if (before.isSet() && before.passwordKey() != account.passwordKey())
        m_passwords.remove(before.passwordKey(), [](const PasswordStore::Outcome&) {});
    if (m_sync)
        m_sync->accountChanged();
    outcome.ok = true;
    outcome.message = tr("Saved: syncing with the calendar \"%1\" of %2 at %3.")
                          .arg(account.calendarName, account.user, QUrl(account.server).host());
    if (!passwordProblem.isEmpty())
        outcome.message += QLatin1Char(' ') + passwordProblem;
    done(outcome);
}

void AccountKeeper::remove(Done done)
{
    const AccountSettings before = AccountSettings::load(m_settings);
    Outcome outcome;
    if (!AccountSettings::clear(m_settings)) {
        outcome.message = tr("The account could not be removed: the settings file could not be written.");
        done(outcome);
        return;
    }
    if (before.isSet())
        m_passwords.remove(before.passwordKey(), [](const PasswordStore::Outcome&) {});
    if (m_sync)
        m_sync->accountChanged();
    outcome.ok = true;
    outcome.message = tr("The account is removed; the entries stay in your schedule as they are.");
    done(outcome);
}
