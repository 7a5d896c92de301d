#pragma once

#include <QString>
#include <QUrl>

class SettingsStore;

// The sync account as the settings file keeps it (group "Account"): the server, the user, the chosen
// calendar, how often to sync, and the one certificate fingerprint the user accepted. The password is
// never among them: it lives in the Secret Service (see PasswordStore).
struct AccountSettings
{
    static constexpr int Intervals[] = {1, 5, 15, 60}; // "Sync every" choices, in minutes
    static constexpr int DefaultInterval = 15;

    QString server; // the address the user gave, where discovery starts
    QString user;
    QUrl calendarUrl;
    QString calendarName;
    int intervalMinutes = DefaultInterval;
    QString acceptedFingerprint;
    // Why the account must not be used as the settings file holds it (a file others may write, which
    // could send the password and the schedule anywhere); empty when it may.
    QString refusal;

    bool isSet() const
    {
        return refusal.isEmpty() && !server.isEmpty() && !user.isEmpty() && calendarUrl.isValid();
    }
    // The name the password is kept under: the user at the calendar's whole origin (scheme, host and
    // port), so that a password is never handed to another server of the same host.
    QString passwordKey() const;
    // The name an earlier version kept the same password under (the user at the host), read once and
    // moved over; empty when `key` is no account's password key.
    static QString formerPasswordKey(const QString& key);
    // Why a settings file at `path` must not be trusted with an account; empty when it may.
    static QString fileRefusal(const QString& path);

    static bool isInterval(int minutes);
    static AccountSettings load(const SettingsStore& settings);
    bool save(SettingsStore& settings) const;
    // Forgets the account; the schedule's entries stay as they are.
    static bool clear(SettingsStore& settings);
};
