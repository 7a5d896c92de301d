#include "sync/AccountSettings.h"

#include "settings/SettingsStore.h"

#include <algorithm>
#include <iterator>

namespace {

const QString Group = QStringLiteral("Account");
const QString Server = QStringLiteral("Server");
const QString User = QStringLiteral("User");
const QString Calendar = QStringLiteral("Calendar");
const QString CalendarName = QStringLiteral("CalendarName");
const QString Interval = QStringLiteral("SyncMinutes");
const QString Fingerprint = QStringLiteral("AcceptedCertificate");

} // namespace

QString AccountSettings::passwordKey() const
{
    const QUrl url(server.contains(QLatin1String("://")) ? server : QStringLiteral("https://") + server);
    const QString host = url.host().isEmpty() ? server : url.host();
    return user + QLatin1Char('@') + host;
}

bool AccountSettings::isInterval(int minutes)
{
    return std::find(std::begin(Intervals), std::end(Intervals), minutes) != std::end(Intervals);
}

AccountSettings AccountSettings::load(const SettingsStore& settings)
{
    AccountSettings account;
    account.server = settings.GetString(Group, Server);
    account.user = settings.GetString(Group, User);
    const QString calendar = settings.GetString(Group, Calendar);
    if (!calendar.isEmpty())
        account.calendarUrl = QUrl(calendar, QUrl::StrictMode);
    account.calendarName = settings.GetString(Group, CalendarName);
    bool number = false;
    const int minutes = settings.GetString(Group, Interval).toInt(&number);
    // A hand-edited value outside the choices falls back to the usual one rather than syncing every second.
    account.intervalMinutes = number && isInterval(minutes) ? minutes : DefaultInterval;
    account.acceptedFingerprint = settings.GetString(Group, Fingerprint);
    return account;
}

bool AccountSettings::save(SettingsStore& settings) const
{
    bool ok = settings.SaveString(Group, Server, server);
    ok = settings.SaveString(Group, User, user) && ok;
    ok = settings.SaveString(Group, Calendar, calendarUrl.toString(QUrl::RemoveUserInfo)) && ok;
    ok = settings.SaveString(Group, CalendarName, calendarName) && ok;
    ok = settings.SaveString(Group, Interval, QString::number(intervalMinutes)) && ok;
    ok = settings.SaveString(Group, Fingerprint, acceptedFingerprint) && ok;
    return ok;
}

bool AccountSettings::clear(SettingsStore& settings)
{
    AccountSettings empty;
    empty.intervalMinutes = DefaultInterval;
    return empty.save(settings);
}
