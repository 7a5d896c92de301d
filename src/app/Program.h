#pragma once

#include "app/InstanceGuard.h"
#include "app/ProgramWindows.h"
#include "notify/AlarmNotice.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class BeepService;
class LoginStart;
class Clock;
class MessageBoxService;
class PasswordStore;
class ScheduleDatabase;
class ScreenService;
class SettingsStore;
class SyncService;
class TrayIcon;
class TrayWatch;
class formSplash;
struct AppContext;
class ScheduleOccurrences;

// The services the program runs with; the caller keeps them alive for the whole run.
struct ProgramServices
{
    Clock& clock;
    BeepService& beeper;
    MessageBoxService& messages;
    ScreenService& screen;
    SettingsStore& settings;
    AlarmNotifier& notifier = AlarmNotifier::none(); // alarms sent to the desktop beside their windows
    // A word to the user that needs no answer and must not stand between them and the calendar (a
    // desktop notification); none where there is no way to send one.
    std::function<void(const QString& summary, const QString& body)> tellUser{};
};

// Where the program keeps its schedule and meets its other instances.
struct ProgramPlaces
{
    QString databasePath;   // the schedule file
    QString instanceFolder; // the per-user folder of the instance guard
    // the private folder the guard uses when that one is unusable (none when empty)
    QString fallbackInstanceFolder{};
    QString configFolder{}; // holds the login start entry; empty: the program does not offer one

    static ProgramPlaces standard();
};

// The running program: start-up, the splash hand-over to the main window, the tray icon, the answer to a
// later start, and the end. It owns the open schedule and every shell window for the whole run.
class Program : public QObject
{
    Q_OBJECT

public:
    Program(ProgramServices services, ProgramPlaces places, WindowOwnerFactory makeWindows);
    ~Program() override;

    // Start-up: the instance guard before anything else, the schedule file created when it is missing,
    // then the splash window; the schedule is opened as soon as the splash is on the screen. Returns
    // false when this process is to end at once (another instance was raised, no instance guard could be
    // set up, or the schedule file could not be created), with exitCode() telling how.
    bool Main();
    int exitCode() const { return m_exitCode; }

    // Started at login with --minimized: no splash, and the main window loaded (its alarms running)
    // but hidden in the notification area, or minimised to the task bar where the desktop has none. A
    // running instance is left as it is. Set before Main().
    void setStartMinimized(bool minimized) { m_startMinimized = minimized; }
    // Whether the desktop has a notification area; tests replace the question.
    void setTrayAvailable(std::function<bool()> available) { m_trayAvailable = std::move(available); }
    // The bus on which the icon is offered as a status notifier item as well; without one, Qt's icon only.
    void setStatusNotifierBus(const QDBusConnection& bus) { m_statusNotifierBus = bus; }
    LoginStart* loginStart() const { return m_login.get(); }

    // Creates the schedule file when it is missing or empty (0 bytes). A failure is reported naming the
    // file.
    static bool CreateMissingScheduleFile(const QString& path, MessageBoxService& messages);
    // Opens the schedule file for the run. A failure is reported naming the file, which is left as it is.
    // beforeReport runs just before the message shows.
    static std::unique_ptr<ScheduleDatabase> OpenScheduleFile(const QString& path,
                                                              MessageBoxService& messages,
                                                              const std::function<void()>& beforeReport = {});

    // Shows the splash window again as the about screen and disables the main window until it closes.
    void ShowAboutScreen();
    // A later start asked for this instance: its last active window comes forward, shown again when it
    // was hidden and restored when it was minimised.
    void RestoreLastActiveWindow();
    // The desktop or a terminal asked the process to end: the program ends as "Exit" ends it, through the
    // main window's close, so that what it saves on the way out is saved.
    void EndOnRequest();

    formSplash* splash() const { return m_splash.get(); }
    WindowOwner* windows() const { return m_windows.get(); }
    TrayIcon* trayIcon() const { return m_tray.get(); }
    TrayWatch* trayWatch() const { return m_trayWatch.get(); }
    AppContext* context() const { return m_context.get(); }
    // Keeps the schedule and the account's calendar alike from the moment the schedule is open.
    SyncService* syncService() const { return m_sync.get(); }
    InstanceGuard& instanceGuard() { return m_guard; }

signals:
    // The program is over: the main window has closed, or the schedule could not be opened.
    void Ended(int exitCode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reportNoInstanceGuard();
    void openDatabase();
    void makeWindows();
    void showMainWindow();
    void startHidden();
    void rememberActiveWindow();
    void addTrayIcon();
    void trayPresenceChanged(bool present);
    // The window the tray icon's left click would show again, while it is hidden or minimised for it.
    QWidget* windowHiddenToTray() const;
    void end(int exitCode);

    ProgramServices m_services;
    ProgramPlaces m_places;
    WindowOwnerFactory m_makeWindows;
    InstanceGuard m_guard;
    std::unique_ptr<ScheduleDatabase> m_database;
    // The calendar sync lives beside the schedule for the whole run, whatever the windows do.
    std::unique_ptr<PasswordStore> m_passwords;
    std::unique_ptr<SyncService> m_sync;
    std::unique_ptr<ScheduleOccurrences> m_occurrences;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<formSplash> m_splash;
    std::unique_ptr<WindowOwner> m_windows;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<TrayWatch> m_trayWatch;
    std::unique_ptr<LoginStart> m_login;
    std::function<bool()> m_trayAvailable;
    std::optional<QDBusConnection> m_statusNotifierBus;
    bool m_startMinimized = false;
    QPointer<QWidget> m_lastActive;
    bool m_databaseTried = false;
    bool m_mainWanted = false;
    bool m_trayWanted = false;
    bool m_ended = false;
    int m_exitCode = 0;
};
