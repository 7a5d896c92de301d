#pragma once

#include <QString>

class SettingsStore;

// Whether the program starts when the user logs in. An alarm program that is not running rings no
// alarm, so the first start of a user turns it on; from then on the user's choice (the tray menu's
// "Start at &login") stands. The choice is the autostart entry itself:
// $XDG_CONFIG_HOME/autostart/zentravio.desktop, which starts the program hidden in the notification area.
class LoginStart
{
public:
    // configFolder: the user's config folder ($XDG_CONFIG_HOME, ~/.config by default).
    LoginStart(SettingsStore& settings, QString configFolder = standardConfigFolder());

    static QString standardConfigFolder();
    QString entryPath() const;

    bool isOn() const;
    // Writes or removes the autostart entry; false, with error() saying why, when that fails.
    bool setOn(bool on);
    QString error() const { return m_error; }

    // On the first start of a user the entry is written; later starts leave it as the user chose.
    // Returns false only when the first start could not write it.
    bool offerOnFirstStart();
    // True when this start was the first and turned the start at login on, so that the user is told.
    bool turnedOnByFirstStart() const { return m_turnedOnByFirstStart; }

    // The autostart entry's text for the program at programPath.
    static QString entryText(const QString& programPath);

private:
    SettingsStore& m_settings;
    QString m_configFolder;
    QString m_error;
    bool m_turnedOnByFirstStart = false;
};
