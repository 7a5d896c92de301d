#include "sync/AccountSetup.h"

#include "settings/SettingsStore.h"
#include "sync/DavClient.h"
#include "sync/PasswordStore.h"
#include "sync/ServerAddress.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

AccountSetup::AccountSetup(SettingsStore& settings, PasswordStore& passwords, QObject* parent)
    : QObject(parent), m_settings(settings), m_passwords(passwords), m_client(std::make_unique<DavClient>()),
      m_discovery(std::make_unique<CalendarDiscovery>(*m_client))
{}

AccountSetup::~AccountSetup() = default;

void AccountSetup::run(const Request& request, Done done)
{
    m_done = std::move(done);
    const QUrl server = ServerAddress::fromUserText(request.server);
    QString refusal = ServerAddress::refusal(server);
    if (request.user.trimmed().isEmpty())
        refusal = tr("Give the user name the calendar server knows you by.");
    // The password is not sent anywhere for an account that a file others may change would hold.
    if (refusal.isEmpty())
        refusal = AccountSettings::fileRefusal(m_settings.fileName());
    if (!refusal.isEmpty()) {
        Outcome outcome;
        outcome.message = refusal;
        QTimer::singleShot(0, this, [this, outcome] { finishWith(outcome); });
        return;
    }
    m_client->setCredentials(request.user, request.password);
    m_client->setAcceptedFingerprint(request.acceptedFingerprint);
    if (request.timeoutMs > 0)
        m_client->setTimeout(request.timeoutMs);
    m_discovery->discover(server,
                          [this, request](const DiscoveryResult& result) { discovered(request, result); });
}

void AccountSetup::discovered(const Request& request, const DiscoveryResult& result)
{
    Outcome outcome;
    outcome.calendars = result.calendars;
    outcome.otherServer = result.otherServer;
    if (result.error.isError()) {
        outcome.message = result.error.message();
        if (result.otherServer.isValid()) {
            outcome.message += QLatin1Char(' ') + tr("If %1 is your calendar server, set the account up "
                                                     "with that address.")
                                                      .arg(result.otherServer.toDisplayString());
        }
        finishWith(outcome);
        return;
    }
    const CalendarInfo* chosen = CalendarDiscovery::pick(result.calendars, request.calendarName);
    if (!chosen) {
        QStringList names;
        for (const CalendarInfo& calendar : result.calendars)
            names << QLatin1Char('"') + calendar.displayName + QLatin1Char('"');
        outcome.message = tr("The calendar server has no calendar named \"%1\"; it has %2.")
                              .arg(request.calendarName, names.join(QLatin1String(", ")));
        finishWith(outcome);
        return;
    }
    AccountSettings account = AccountSettings::load(m_settings);
    account.server = ServerAddress::fromUserText(request.server).toString();
    account.user = request.user;
    account.calendarUrl = chosen->url;
    account.calendarName = chosen->displayName;
    account.acceptedFingerprint = request.acceptedFingerprint;
    outcome.account = account;
    m_passwords.write(account.passwordKey(), request.password,
                      [this, outcome](const PasswordStore::Outcome& kept) mutable {
                          outcome.passwordProblem = kept.problem;
                          if (!outcome.account.save(m_settings)) {
                              outcome.message = tr("The settings file could not be written.");
                              finishWith(outcome);
                              return;
                          }
                          outcome.ok = true;
                          outcome.message = tr("Syncing with the calendar \"%1\" of %2 at %3.")
                                                .arg(outcome.account.calendarName, outcome.account.user,
                                                     QUrl(outcome.account.server).host());
                          finishWith(outcome);
                      });
}

void AccountSetup::finishWith(Outcome outcome)
{
    const Done done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(outcome);
}
