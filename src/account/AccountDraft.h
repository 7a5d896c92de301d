#pragma once

#include "sync/AccountSettings.h"
#include "sync/CalendarDiscovery.h"

#include <QList>
#include <QString>
#include <QUrl>

// What the account window's fields mean, apart from the window: which calendars were found with which
// server, user, password and certificate, which one is chosen, and what Save may store. Calendars found
// with other credentials than the fields now hold are forgotten, so that Save never keeps a password or
// an address the server did not accept together. A certificate that does not verify is offered to the
// user by its fingerprint, and only the one the user accepted is ever used or stored.
class AccountDraft
{
public:
    struct Credentials
    {
        QString server;
        QString user;
        QString password;
        QString fingerprint; // the certificate accepted for this server; empty when none

        bool operator==(const Credentials&) const = default;
    };

    // The form as the stored account fills it: the calendar it syncs with is listed and chosen, and the
    // password field stays empty, which keeps the stored password.
    void loadStored(const AccountSettings& stored);

    void setServer(const QString& server);
    void setUser(const QString& user);
    void setPassword(const QString& password);
    void setIntervalMinutes(int minutes);
    void chooseCalendar(int index);
    void acceptCertificate(bool accept);

    const QString& server() const { return m_server; }
    const QString& user() const { return m_user; }
    int intervalMinutes() const { return m_interval; }
    const QList<CalendarInfo>& calendars() const { return m_calendars; }
    int chosenCalendar() const { return m_chosen; }
    // The fingerprint of a certificate that did not verify, for the user to accept or not; empty when
    // there is none.
    const QString& offeredFingerprint() const { return m_offered; }
    bool certificateAccepted() const { return m_accepted && !m_offered.isEmpty(); }

    // The credentials the fields hold now.
    Credentials current() const;
    // The stored password stands in for an empty password field while the fields still name the stored
    // account, so that its calendars are listed again without typing the password.
    bool usesStoredPassword() const;
    // Empty when "Find calendars" may ask the server, otherwise why not.
    QString findRefusal() const;
    // "Find calendars" starts with the credentials the fields hold now.
    void startFind();
    bool finding() const { return m_finding; }
    // The search's answer; returns what the window says of it.
    QString takeFound(const DiscoveryResult& result);

    // Empty when Save may store the account, otherwise why not.
    QString saveRefusal() const;
    // The account as Save stores it; `stored` gives what the form does not change.
    AccountSettings toStore(const AccountSettings& stored) const;
    // The password the server accepted with the chosen calendar; empty when the stored one stays.
    QString passwordToKeep() const;

private:
    // Calendars found with other credentials say nothing of these.
    void forgetStaleCalendars();

    QString m_server;
    QString m_user;
    QString m_password;
    int m_interval = AccountSettings::DefaultInterval;
    QList<CalendarInfo> m_calendars;
    int m_chosen = -1;
    Credentials m_foundWith;
    Credentials m_stored; // the stored account's server and user; empty when there is none
    Credentials m_searching;
    bool m_finding = false;
    QString m_offered;
    QString m_offeredFor; // the server the offered certificate came from
    bool m_accepted = false;
};
