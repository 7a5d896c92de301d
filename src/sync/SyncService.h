#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Clock;
class RemoteCalendar;
struct AccountSettings;
class PasswordStore;
class ScheduleDatabase;
class SettingsStore;

// What one sync did, for the status line and the command line.
struct SyncReport
{
    // Where a fault came from, so that the person is told the right thing and the right thing is retried.
    enum class Source
    {
        None,
        Schedule, // the schedule file could not be read or written
        Network,  // no connection, no answer in time, a certificate
        Server    // the server's answer: a refusal, a fault of its own, nonsense
    };

    bool ok = false;
    QDateTime finishedAt;
    int received = 0;     // entries added, changed or removed here from the server
    int sent = 0;         // events written to or deleted from the server
    int conflicts = 0;    // entries changed on both sides: both versions kept
    int keptHere = 0;     // edits the server's richer event cannot take without losing some of it
    int leftOnServer = 0; // deletions of entries whose server event holds more: the event stays there
    int sentAgain = 0;    // events the server had lost, sent once more
    QStringList setAside; // changes the server refused or did not keep, each named with the reason
    QStringList notTaken; // events of the server the schedule cannot take in, each named with the reason
    QString error;        // why the sync failed, in the program's own words; empty when it did not
    Source source = Source::None;

    // "Last synced 10:32:05 AM: 3 received, 1 sent", or the error.
    QString statusLine() const;
    // What the counts of received and sent leave out, each as "; ...": conflicts, and the changes the
    // server's richer events did not take. Empty when there is nothing more to say.
    QString remarks() const;
    // One line for each change set aside and each event not taken in.
    QStringList details() const;
};
Q_DECLARE_METATYPE(SyncReport)

// Keeps the schedule and the account's calendar on the server alike, for the whole run: owned by the
// program beside the schedule, never by a window, and never waiting on the network on the window's
// thread. It syncs at start, every "Sync every" minutes, a few seconds after a local change and when
// asked; a fault is retried with growing waits, and every local change waits in the file until the
// server has taken it.
class SyncService : public QObject
{
    Q_OBJECT

public:
    // Makes the calendar a sync talks to, for the account as saved, the password given and the longest wait
    // for an answer; the program's own talks CalDAV to the account's server, a test's may be scripted.
    using CalendarMaker = std::function<std::unique_ptr<RemoteCalendar>(
        const AccountSettings& account, const QString& password, int timeoutMs)>;
    static CalendarMaker serverCalendars();

    SyncService(ScheduleDatabase& database, SettingsStore& settings, PasswordStore& passwords, Clock& clock,
                QObject* parent = nullptr, CalendarMaker calendars = serverCalendars());
    ~SyncService() override;

    // Reads the account from the settings and starts syncing; without an account it waits idle.
    void start();
    // The account was set up, changed or removed in the account window: read it again.
    void accountChanged();
    // The password the user typed after passwordNeeded; kept in memory, and syncing goes on.
    void setPassword(const QString& password);
    // "Sync now": one sync as soon as none is under way.
    void syncNow();

    bool isSyncing() const;
    bool hasAccount() const;
    // The status line as it stands: the last sync's report, "Syncing..." or "Not synced yet".
    QString statusLine() const;
    const SyncReport& lastReport() const;

    // How long the service waits after a local change before sending it, and how long for an answer of
    // the server; tests shorten both.
    void setSendDelay(int milliseconds);
    void setRequestTimeout(int milliseconds);
    void setRetryWaits(int firstMs, int ceilingMs);
    // How many local changes wait to be sent (0 until an account is read).
    int waitingChanges() const;
    // Keeps each finished sync's status line in the file, so that a running program shows a sync made
    // by `zentravio --sync` beside it.
    void setKeepsStatusInFile(bool keeps);

signals:
    void statusChanged(const QString& line);
    // The server refused the password, or there is none to use (no Secret Service at start): ask the
    // user once. Syncing stops until setPassword() is called.
    void passwordNeeded(const QString& reason);
    void syncFinished(const SyncReport& report);

private:
    // The rest of start(), once the file is open.
    void started();

    struct State;
    std::unique_ptr<State> m_state;
};
