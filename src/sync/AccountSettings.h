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

    bool isSet() const { return !server.isEmpty() && !user.isEmpty() && calendarUrl.isValid(); }
    // The name the password is kept under: the user at the server's host.
    QString passwordKey() const;

    static bool isInterval(int minutes);
    static AccountSettings load(const SettingsStore& settings);
    bool save(SettingsStore& settings) const;
    // Forgets the account; the schedule's entries stay as they are.
    static bool clear(SettingsStore& settings);
};
