#include "account/AccountDraft.h"

#include "sync/ServerAddress.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AccountDraft", text);
}

} // namespace

void AccountDraft::loadStored(const AccountSettings& stored)
{
    *this = AccountDraft();
    m_interval = stored.intervalMinutes;
    if (!stored.isSet())
        return;
    m_server = stored.server;
    m_user = stored.user;
    m_calendars = {CalendarInfo{stored.calendarUrl, stored.calendarName}};
    m_chosen = 0;
    m_offered = stored.acceptedFingerprint;
    m_offeredFor = m_server.trimmed();
    m_accepted = !m_offered.isEmpty();
    m_foundWith = current();
    m_stored = {m_foundWith.server, m_foundWith.user, {}, {}};
}

void AccountDraft::setServer(const QString& server)
{
    m_server = server;
    // A certificate is accepted for the server it came from, never for another one.
    if (m_server.trimmed() != m_offeredFor) {
        m_offered.clear();
        m_accepted = false;
    }
    forgetStaleCalendars();
}

void AccountDraft::setUser(const QString& user)
{
    m_user = user;
    forgetStaleCalendars();
}

void AccountDraft::setPassword(const QString& password)
{
    m_password = password;
    forgetStaleCalendars();
}

void AccountDraft::setIntervalMinutes(int minutes)
{
    if (AccountSettings::isInterval(minutes))
        m_interval = minutes;
}

void AccountDraft::chooseCalendar(int index)
{
    m_chosen = index >= 0 && index < m_calendars.size() ? index : -1;
}

void AccountDraft::acceptCertificate(bool accept)
{
    m_accepted = accept;
    forgetStaleCalendars();
}

AccountDraft::Credentials AccountDraft::current() const
{
    return {m_server.trimmed(), m_user.trimmed(), m_password, certificateAccepted() ? m_offered : QString()};
}

bool AccountDraft::usesStoredPassword() const
{
    const Credentials credentials = current();
    return credentials.password.isEmpty() && !m_stored.server.isEmpty() &&
           credentials.server == m_stored.server && credentials.user == m_stored.user;
}

QString AccountDraft::findRefusal() const
{
    if (m_finding)
        return tr("The calendars are being looked for already.");
    const Credentials credentials = current();
    if (credentials.server.isEmpty())
        return tr("Give the address of your calendar server.");
    if (const QString refusal = ServerAddress::refusal(ServerAddress::fromUserText(credentials.server));
        !refusal.isEmpty())
        return refusal;
    if (credentials.user.isEmpty())
        return tr("Give the user name the calendar server knows you by.");
    return {};
}

void AccountDraft::startFind()
{
    m_searching = current();
    m_finding = true;
}

QString AccountDraft::takeFound(const DiscoveryResult& result)
{
    m_finding = false;
    if (current() != m_searching)
        return tr("The fields were changed while the calendars were looked for; find them again.");
    const QUrl chosenBefore = m_chosen >= 0 ? m_calendars.at(m_chosen).url : QUrl();
    m_calendars.clear();
    m_chosen = -1;
    if (result.error.isError()) {
        if (result.error.kind() == DavError::Kind::Certificate) {
            const QString offered = result.error.certificateFingerprint();
            if (!offered.isEmpty()) {
                m_offered = offered;
                m_offeredFor = m_searching.server;
                m_accepted = false;
            }
        }
        return result.error.message();
    }
    if (result.calendars.isEmpty())
        return tr("The calendar server has no calendar for events under this user.");
    m_calendars = result.calendars;
    m_foundWith = m_searching;
    m_chosen = 0;
    for (int i = 0; i < m_calendars.size(); ++i) {
        if (m_calendars.at(i).url == chosenBefore)
            m_chosen = i;
    }
    return m_calendars.size() == 1
               ? tr("Found 1 calendar. Save to sync with it.")
               : tr("Found %1 calendars. Choose the one to sync with, then save.").arg(m_calendars.size());
}

QString AccountDraft::saveRefusal() const
{
    if (m_finding)
        return tr("Wait until the calendars are found.");
    if (m_chosen < 0)
        return tr("Find your calendars first, then choose the one to sync with.");
    return {};
}

AccountSettings AccountDraft::toStore(const AccountSettings& stored) const
{
    AccountSettings account = stored;
    account.server = ServerAddress::fromUserText(m_foundWith.server).toString();
    account.user = m_foundWith.user;
    if (m_chosen >= 0) {
        account.calendarUrl = m_calendars.at(m_chosen).url;
        account.calendarName = m_calendars.at(m_chosen).displayName;
    }
    account.intervalMinutes = m_interval;
    account.acceptedFingerprint = m_foundWith.fingerprint;
    return account;
}

QString AccountDraft::passwordToKeep() const
{
    return m_foundWith.password;
}

void AccountDraft::forgetStaleCalendars()
{
    if (!m_calendars.isEmpty() && current() != m_foundWith) {
        m_calendars.clear();
        m_chosen = -1;
    }
}
