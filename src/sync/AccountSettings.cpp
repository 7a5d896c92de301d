#include "sync/AccountSettings.h"

#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <unistd.h>

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
    const QUrl given(server.contains(QLatin1String("://")) ? server : QStringLiteral("https://") + server);
    const QUrl origin = calendarUrl.isValid() && !calendarUrl.host().isEmpty() ? calendarUrl : given;
    if (origin.host().isEmpty())
        return user + QLatin1Char('@') + server;
    QUrl key;
    key.setScheme(origin.scheme().toLower());
    key.setHost(origin.host());
    key.setPort(origin.port(key.scheme() == QLatin1String("http") ? 80 : 443));
    key.setUserName(user);
    return key.toString(QUrl::FullyEncoded);
}

QString AccountSettings::formerPasswordKey(const QString& key)
{
    const QUrl url(key, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty() || url.userName().isEmpty())
        return {};
    return url.userName() + QLatin1Char('@') + url.host();
}

QString AccountSettings::fileRefusal(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    const bool othersWrite = info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther);
    const bool notOwn = info.ownerId() != uint(::getuid());
    if (!othersWrite && !notOwn)
        return {};
    return QCoreApplication::translate("AccountSettings",
                                       "The settings file %1 may be changed by other users, so its calendar "
                                       "account is not used: another user could send your password and "
                                       "your entries to a server of theirs. Make the file yours and "
                                       "writable by you alone (chmod 600), then check the account.")
        .arg(QDir::toNativeSeparators(path));
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
    if (!account.server.isEmpty())
        account.refusal = fileRefusal(settings.fileName());
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
