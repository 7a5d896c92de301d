#include "app/Program.h"

#include "alarmservice/AlarmService.h"
#include "app/LoginStartSwitch.h"
#include "app/SystemModule.h"
#include "app/StatusNotifierItem.h"
#include "app/TrayIcon.h"
#include "app/TrayWatch.h"
#include "app/formSplash.h"
#include "forms/AppContext.h"
#include "forms/DesignForm.h"
#include "forms/PlainText.h"
#include "forms/WindowHelpers.h"
#include "occurrence/ScheduleOccurrences.h"
#include "settings/LoginStart.h"
#include "store/ScheduleDatabase.h"
#include "sync/PasswordStore.h"
#include "sync/SyncService.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Should the splash never be painted (a display that never shows it), the schedule is opened anyway.
constexpr int OpenFallbackMs = 500;

} // namespace

ProgramPlaces ProgramPlaces::standard()
{
    return {ScheduleDatabase::defaultPath(), InstanceGuard::defaultFolder(),
            InstanceGuard::defaultFallbackFolder(), LoginStart::standardConfigFolder()};
}

Program::Program(ProgramServices services, ProgramPlaces places, WindowOwnerFactory makeWindows)
    : m_services(services), m_places(std::move(places)), m_makeWindows(std::move(makeWindows)),
      m_guard(m_places.instanceFolder, m_places.fallbackInstanceFolder),
      m_trayAvailable(&QSystemTrayIcon::isSystemTrayAvailable)
{}

Program::~Program()
{
    // The windows go before the schedule they show.
    m_trayWatch.reset();
    m_tray.reset();
    m_windows.reset();
    m_alarms.reset();
    m_login.reset();
    m_splash.reset();
    m_context.reset();
    m_sync.reset();
    m_passwords.reset();
    m_database.reset();
}

bool Program::Main()
{
    // A start at login finds an instance already running and leaves it as it is.
    const InstanceGuard::Request request =
        m_startMinimized ? InstanceGuard::Request::LeaveAlone : InstanceGuard::Request::BringForward;
    switch (m_guard.GuardInstance(request)) {
    case InstanceGuard::Outcome::OtherInstanceRaised:
        m_exitCode = 0;
        return false;
    case InstanceGuard::Outcome::Unguarded:
        // A second copy beside a running one would show its own calendar and fire every alarm twice;
        // without a guard that cannot be ruled out, so this start ends before it touches the schedule.
        reportNoInstanceGuard();
        m_exitCode = 1;
        return false;
    case InstanceGuard::Outcome::FirstInstance:
        break;
    }
    connect(&m_guard, &InstanceGuard::activationRequested, this, &Program::RestoreLastActiveWindow);

    if (!CreateMissingScheduleFile(m_places.databasePath, m_services.messages)) {
        m_exitCode = 1;
        return false;
    }

    if (!m_places.configFolder.isEmpty()) {
        m_login = std::make_unique<LoginStart>(m_services.settings, m_places.configFolder);
        if (!m_login->offerOnFirstStart())
            m_services.messages.warning(nullptr, m_login->error());
        // Said once, without a window to close: the calendar comes first.
        if (m_login->turnedOnByFirstStart() && m_services.tellUser)
            m_services.tellUser(LoginStartSwitch::firstStartSummary(), LoginStartSwitch::firstStartBody());
    }

    // The program lives on behind its tray icon while its windows are hidden; it ends when the main
    // window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Program::rememberActiveWindow);

    if (m_startMinimized) {
        // No splash at login: the schedule is read at once and the calendar waits in the tray, or on the
        // task bar where there is none (yet: a panel that starts later gets the icon then).
        m_mainWanted = true;
        openDatabase();
        return !m_ended;
    }

    m_splash = std::make_unique<formSplash>(m_services.screen);
    connect(m_splash.get(), &formSplash::ShowMainWindow, this, &Program::showMainWindow);
    connect(m_splash.get(), &formSplash::Unloaded, this, [this] {
        if (m_windows && m_windows->mainWindow())
            m_windows->mainWindow()->setEnabled(true);
    });
    // Reading the whole schedule may take a moment on a long diary; the splash is on the screen first.
    connect(m_splash.get(), &formSplash::FirstPainted, this, &Program::openDatabase);
    QTimer::singleShot(OpenFallbackMs, this, &Program::openDatabase);
    m_splash->ShowSplash();
    m_lastActive = m_splash.get();
    return true;
}

void Program::reportNoInstanceGuard()
{
    QStringList folders;
    for (const QString& folder : {m_places.instanceFolder, m_places.fallbackInstanceFolder}) {
        if (!folder.isEmpty())
            folders << QDir::toNativeSeparators(folder);
    }
    m_services.messages.critical(
        nullptr,
        tr("Zentravio cannot make sure that it runs only once: none of the folders it keeps that check "
           "in can be used (%1). So that no second copy runs beside the first, Zentravio closes now.")
            .arg(folders.join(QStringLiteral(", "))));
}

bool Program::CreateMissingScheduleFile(const QString& path, MessageBoxService& messages)
{
    // A schedule file of 0 bytes is what a start interrupted before its table was made left behind; it
    // holds no entries, so it is made afresh like a missing one.
    if (FileExists(path) && QFileInfo(path).size() > 0)
        return true;
    const StoreResult created = ScheduleDatabase::CreateDatabaseFile(path);
    if (created)
        return true;
    messages.critical(nullptr, created.error + QStringLiteral("\n\n") +
                                   tr("Zentravio cannot run without its schedule file and closes now."));
    return false;
}

std::unique_ptr<ScheduleDatabase> Program::OpenScheduleFile(const QString& path, MessageBoxService& messages,
                                                            const std::function<void()>& beforeReport,
                                                            bool identitiesLater)
{
    QString error;
    ScheduleDatabase::OpenOptions options;
    options.identitiesLater = identitiesLater;
    auto database = ScheduleDatabase::open(path, &error, options);
    if (!database) {
        if (beforeReport)
            beforeReport();
        messages.critical(nullptr,
                          error + QStringLiteral("\n\n") +
                              tr("The file has been left as it is. Zentravio cannot run without its schedule "
                                 "file and closes now."));
    }
    return database;
}

void Program::openDatabase()
{
    if (m_databaseTried)
        return;
    m_databaseTried = true;

    // The top-most splash must not stand over the message, so it goes before the schedule is reported.
    m_database = OpenScheduleFile(
        m_places.databasePath, m_services.messages, [this] { m_splash->hide(); }, true);
    if (!m_database) {
        end(1);
        return;
    }
    // Another program's change to the schedule is read off the window's thread, so a large schedule
    // does not freeze the windows while it is read again.
    m_database->setReadInBackground(true);
    m_context = std::make_unique<AppContext>(*m_database, m_services.settings, m_services.clock,
                                             m_services.beeper, m_services.messages, m_services.screen,
                                             ProgramValues{}, m_services.notifier);
    m_passwords = std::make_unique<PasswordStore>();
    m_sync = std::make_unique<SyncService>(*m_database, m_services.settings, *m_passwords, m_services.clock);
    m_context->sync = m_sync.get();
    m_context->passwords = m_passwords.get();
    m_occurrences = std::make_unique<ScheduleOccurrences>(*m_database);
    // The days of a year's occurrences are worked out on the thread pool; the views repaint when they are in.
    m_occurrences->setWorkOffThread(true);
    m_context->recurrences = m_occurrences.get();
    if (!m_mainWanted)
        return;
    if (m_startMinimized && !m_splash)
        startHidden();
    else
        showMainWindow();
}

void Program::showMainWindow()
{
    if (!m_context) {
        m_mainWanted = true; // the schedule is still being read; the main window follows it
        return;
    }
    m_mainWanted = false;
    makeWindows();
    if (m_windows && m_windows->mainWindow())
        m_windows->mainWindow()->show();
    bringOverIdentities();
}

void Program::bringOverIdentities()
{
    if (!m_database || !m_database->identitiesDue() || m_database->bringingOverIdentities())
        return;
    // After the window has drawn itself: the work then competes with nothing the user waits for.
    QTimer::singleShot(0, this, [this] {
        if (!m_database)
            return;
        m_database->bringOverIdentities();
        QTimer::singleShot(1000, this, [this] {
            if (!m_database || !m_database->bringingOverIdentities())
                return;
            const QString word =
                tr("Zentravio is recording the identities of this schedule's %n entries, once; "
                   "everything works meanwhile.",
                   nullptr, int(m_database->cachedTable().size()));
            QWidget* main = m_windows ? m_windows->mainWindow() : nullptr;
            if (m_tray && m_tray->isShown() && m_tray->icon()->isVisible())
                m_tray->icon()->showMessage(QStringLiteral("Zentravio"), word, QSystemTrayIcon::Information,
                                            5000);
            const QString title = main ? main->windowTitle() : QString();
            if (main) {
                main->setToolTip(PlainText::hint(word));
                main->setWindowTitle(title + QStringLiteral(" - ") + tr("recording identities"));
            }
            // Said until the work is done; every alarm tick looks at the file and takes its outcome in.
            auto* watch = new QTimer(this);
            connect(watch, &QTimer::timeout, this, [this, watch, title] {
                if (m_database && m_database->bringingOverIdentities())
                    return;
                if (QWidget* shown = m_windows ? m_windows->mainWindow() : nullptr) {
                    shown->setToolTip(QString());
                    shown->setWindowTitle(title);
                }
                watch->deleteLater();
            });
            watch->start(500);
        });
    });
}

void Program::startHidden()
{
    m_mainWanted = false;
    makeWindows();
    bringOverIdentities();
    QWidget* main = m_windows ? m_windows->mainWindow() : nullptr;
    if (!main)
        return;
    // Loaded as a show would load it, so that its alarm check runs and its icon is in the tray; the
    // icon's left click then shows it as the window it controls.
    if (auto* form = qobject_cast<DesignForm*>(main))
        form->loadIfNeeded();
    m_context->values.MainViewActive = true;
    m_context->values.MainHidden = true;
    m_lastActive = main;
    if (!m_tray || !m_tray->isShown())
        main->showMinimized();
}

void Program::makeWindows()
{
    if (!m_windows) {
        ShellHooks hooks;
        hooks.AddTrayIcon = [this] { addTrayIcon(); };
        hooks.RemoveTrayIcon = [this] {
            m_trayWanted = false;
            if (m_tray)
                m_tray->RemoveTrayIcon();
        };
        hooks.ShowAboutScreen = [this] { ShowAboutScreen(); };
        hooks.EndProgram = [this] { end(0); };
        hooks.TrayIconShown = [this] { return m_tray && m_tray->isShown(); };
        // The alarm service is the program's, beside the schedule; the windows only listen to it.
        m_alarms = std::make_unique<AlarmService>(*m_database, m_services.settings, m_services.clock,
                                                  m_services.notifier, m_occurrences.get());
        m_context->alarms = m_alarms.get();
        m_windows = m_makeWindows(*m_context, hooks);
        // The alarms ring from now on, whatever becomes of the main window.
        m_alarms->start();
        // Started once the windows listen, so that a call for the password finds them.
        if (m_sync)
            m_sync->start();
        if (!m_windows || !m_windows->mainWindow())
            return;
        m_windows->mainWindow()->installEventFilter(this);
        m_tray = std::make_unique<TrayIcon>(m_context->values, *m_windows);
        m_tray->setAvailable(m_trayAvailable);
        if (m_login) {
            m_tray->offerLoginStart(*m_login, m_services.messages);
            new LoginStartSwitch(*m_login, m_services.messages, m_windows->mainWindow()); // the window's child
        }
        if (m_statusNotifierBus) {
            QWidget* main = m_windows->mainWindow();
            auto item = std::make_unique<StatusNotifierItem>(
                *m_statusNotifierBus, main->windowIcon().isNull() ? QApplication::windowIcon() : main->windowIcon(),
                TrayIcon::TipText());
            // A notification area that comes or goes on the bus is followed at once, not at the next look.
            connect(item.get(), &StatusNotifierItem::presenceChanged, this, [this] {
                if (m_trayWatch)
                    m_trayWatch->look();
            });
            m_tray->setStatusNotifier(std::move(item));
        }
        if (m_trayWanted)
            m_tray->AddTrayIcon();
        m_trayWatch = std::make_unique<TrayWatch>(
            [this] { return (m_tray && m_tray->statusNotifierPresent()) || (m_trayAvailable && m_trayAvailable()); });
        connect(m_trayWatch.get(), &TrayWatch::presenceChanged, this, &Program::trayPresenceChanged);
    }
}

void Program::addTrayIcon()
{
    // The main window may ask while it is still being made; the icon then follows it.
    m_trayWanted = true;
    if (m_tray)
        m_tray->AddTrayIcon();
}

void Program::trayPresenceChanged(bool present)
{
    if (!m_tray || !m_windows)
        return;
    QWidget* hidden = windowHiddenToTray();
    if (present) {
        if (!m_trayWanted)
            return;
        m_tray->AddTrayIcon();
        // A calendar that waited on the task bar for want of a notification area goes to it now.
        if (hidden && hidden->isMinimized() && m_tray->isShown())
            hidden->hide();
        return;
    }
    m_tray->RemoveTrayIcon();
    // A window hidden to a notification area that is gone could not be reached again; it waits on the
    // task bar instead.
    if (hidden && !hidden->isVisible())
        hidden->showMinimized();
}

QWidget* Program::windowHiddenToTray() const
{
    if (!m_context || !m_context->values.MainHidden)
        return nullptr;
    switch (TrayLeftClickAction(m_context->values)) {
    case TrayToggle::ShowMainWindow:
        return m_windows->mainWindow();
    case TrayToggle::ShowYearView:
        return m_windows->yearView();
    default:
        return nullptr;
    }
}

void Program::end(int exitCode)
{
    if (m_ended)
        return;
    m_ended = true;
    m_exitCode = exitCode;
    emit Ended(exitCode);
}

void Program::ShowAboutScreen()
{
    if (!m_splash)
        return;
    m_splash->ShowAsAboutScreen();
    if (m_windows && m_windows->mainWindow())
        m_windows->mainWindow()->setEnabled(false);
}

void Program::RestoreLastActiveWindow()
{
    QWidget* last = m_lastActive;
    if (last && last->isVisible()) {
        BringForward(last);
        return;
    }
    // A window that is gone from the screen without being closed is the one the tray icon hides.
    if (m_tray) {
        m_tray->RestoreControlledWindow();
        return;
    }
    if (m_splash && m_splash->isVisible())
        BringForward(m_splash.get());
}

void Program::EndOnRequest()
{
    auto* main = m_windows ? qobject_cast<DesignForm*>(m_windows->mainWindow()) : nullptr;
    if (main && main->isLoaded())
        main->close();
    else
        end(0);
}

void Program::rememberActiveWindow()
{
    QWidget* active = QApplication::activeWindow();
    if (active && (active->windowType() == Qt::Window || active->windowType() == Qt::Dialog))
        m_lastActive = active;
}

bool Program::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && m_windows && watched == m_windows->mainWindow()) {
        // Closing the main window ends the program, unless the window refused to close.
        QTimer::singleShot(0, this, [this] {
            if (m_windows && m_windows->mainWindow() && !m_windows->mainWindow()->isVisible())
                end(0);
        });
    }
    return QObject::eventFilter(watched, event);
}
