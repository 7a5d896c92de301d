#include "app/ProgramWindows.h"

#include "account/FormAccount.h"
#include "account/FormPassword.h"
#include "alarm/FormAlarm.h"
#include "alarm/RingingWindows.h"
#include "alarmservice/AlarmService.h"
#include "calendar/MainForm.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "forms/AppContext.h"
#include "sync/AccountSettings.h"
#include "sync/PasswordStore.h"
#include "sync/SyncService.h"
#include "views/FormGrid.h"
#include "views/formYear.h"

#include <algorithm>

ProgramWindows::ProgramWindows(AppContext& context, ShellHooks hooks)
    : m_ctx(context), m_hooks(std::move(hooks))
{
    if (!m_ctx.alarms)
        m_ownAlarms = std::make_unique<AlarmService>(m_ctx.database, m_ctx.settings, m_ctx.clock, m_ctx.notifier,
                                                     m_ctx.recurrences);
    m_alarmService = m_ctx.alarms ? m_ctx.alarms : m_ownAlarms.get();
    m_ringing = std::make_unique<RingingWindows>(m_ctx, *this, *m_alarmService);
    if (m_ctx.sync) {
        m_passwordNeeded = QObject::connect(m_ctx.sync, &SyncService::passwordNeeded, m_ctx.sync,
                                            [this](const QString& reason) { askPassword(reason); });
        // A typed password the server took is kept, so that the next start does not ask again.
        m_syncFinished = QObject::connect(
            m_ctx.sync, &SyncService::syncFinished, m_ctx.sync, [this](const SyncReport& report) {
                const auto password = m_passwordPrompt.syncEnded(report.ok);
                if (password && m_ctx.passwords)
                    m_ctx.passwords->write(AccountSettings::load(m_ctx.settings).passwordKey(), *password,
                                           [](const PasswordStore::Outcome&) {});
            });
    }
}

ProgramWindows::~ProgramWindows()
{
    QObject::disconnect(m_passwordNeeded);
    QObject::disconnect(m_syncFinished);
    // The windows that report to the main window go before it.
    for (const QPointer<FormAlarm>& alarm : m_alarms)
        delete alarm.data();
    delete m_list.data();
    delete m_organizer.data();
    m_year.reset();
    m_password.reset();
    m_account.reset();
    m_addSched.reset();
    m_main.reset();
}

MainForm& ProgramWindows::mainForm()
{
    if (!m_main) {
        m_main = std::make_unique<MainForm>(m_ctx, *this);
        MainForm* form = m_main.get();
        const auto call = [](const std::function<void()>& hook) {
            return [hook] {
                if (hook)
                    hook();
            };
        };
        QObject::connect(form, &MainForm::AddTrayIcon, form, call(m_hooks.AddTrayIcon));
        QObject::connect(form, &MainForm::RemoveTrayIcon, form, call(m_hooks.RemoveTrayIcon));
        QObject::connect(form, &MainForm::AboutRequested, form, call(m_hooks.ShowAboutScreen));
        QObject::connect(form, &MainForm::ProgramEnd, form, [this] { mainFormUnloaded(); });
    }
    return *m_main;
}

QWidget* ProgramWindows::mainWindow()
{
    return &mainForm();
}

QMenu* ProgramWindows::trayMenu()
{
    return mainForm().mnu();
}

QAction* ProgramWindows::exitEntry()
{
    return mainForm().mnuExit();
}

QWidget* ProgramWindows::yearView()
{
    return m_year && m_year->isLoaded() ? m_year.get() : nullptr;
}

formYear* ProgramWindows::yearWindow()
{
    if (!m_year)
        m_year = std::make_unique<formYear>(m_ctx, *this);
    return m_year.get();
}

FormAddSched* ProgramWindows::addScheduleDialog()
{
    if (!m_addSched) {
        m_addSched = std::make_unique<FormAddSched>(m_ctx);
        QObject::connect(m_addSched.get(), &FormAddSched::UnloadedFrom, &mainForm(),
                         &MainForm::AddDialogClosed);
        QObject::connect(m_addSched.get(), &FormAddSched::UnloadedFrom, &mainForm(),
                         [this](AddDialogOpener from) {
                             if (FormOrganizer* organizer = openOrganizer())
                                 organizer->AddDialogClosed(from);
                         });
        // The dialog is dragged with the shared title-strip routine, which ends with the main window's
        // days marked again.
        QObject::connect(m_addSched.get(), &FormAddSched::Dragged, &mainForm(), &MainForm::WindowDragged);
    }
    return m_addSched.get();
}

FormOrganizer* ProgramWindows::organizer()
{
    if (!m_organizer) {
        m_organizer = new FormOrganizer(m_ctx, *this); // deletes itself when it closes
        // A closed organizer is on its way out; the next opening makes a fresh one.
        QObject::connect(m_organizer.data(), &DesignForm::Unloaded, &mainForm(),
                         [this] { m_organizer = nullptr; });
    }
    return m_organizer;
}

FormOrganizer* ProgramWindows::openOrganizer()
{
    return m_organizer && m_organizer->isLoaded() ? m_organizer.data() : nullptr;
}

FormGrid* ProgramWindows::listWindow()
{
    // A list that has unloaded is on its way out; a fresh one takes its place.
    if (!m_list || !m_list->isLoaded()) {
        // Known to the owner before it loads, so that its load (which applies the theme to both windows)
        // finds it rather than making a second one.
        m_list = new FormGrid(m_ctx, *this);
        QObject::connect(m_list.data(), &DesignForm::Unloaded, &mainForm(), &MainForm::ListWindowUnloaded);
        m_list->loadIfNeeded();
    }
    return m_list;
}

FormGrid* ProgramWindows::loadedListWindow()
{
    return m_list && m_list->isLoaded() ? m_list.data() : nullptr;
}

void ProgramWindows::UnloadListWindow()
{
    if (FormGrid* list = loadedListWindow())
        list->close();
}

void ProgramWindows::DockListWindow()
{
    mainForm().DockListWindow();
}

void ProgramWindows::HideToTray(QWidget* window)
{
    // Without a shell to ask (windows run on their own) the window hides as the design has it.
    if (!m_hooks.TrayIconShown || m_hooks.TrayIconShown())
        window->hide();
    else
        window->showMinimized();
}

void ProgramWindows::ApplyTheme(int themeNumber)
{
    mainForm().ApplyTheme(themeNumber);
}

FormAlarm* ProgramWindows::newAlarmWindow()
{
    std::erase_if(m_alarms, [](const QPointer<FormAlarm>& alarm) { return alarm.isNull(); });
    auto* alarm = new FormAlarm(m_ctx, *this); // deletes itself when it closes
    m_alarms.emplace_back(alarm);
    alarm->loadIfNeeded();
    return alarm;
}

std::vector<FormAlarm*> ProgramWindows::alarmWindows() const
{
    std::vector<FormAlarm*> open;
    for (const QPointer<FormAlarm>& alarm : m_alarms) {
        if (alarm)
            open.push_back(alarm);
    }
    return open;
}

void ProgramWindows::mainFormUnloaded()
{
    if (m_addSched)
        m_addSched->hide();
    if (m_list)
        m_list->hide();
    if (m_year)
        m_year->hide();
    if (m_account)
        m_account->hide();
    if (m_password)
        m_password->hide();
    if (m_hooks.EndProgram)
        m_hooks.EndProgram();
}

FormAccount* ProgramWindows::accountWindow()
{
    if (!m_account) {
        m_account = std::make_unique<FormAccount>(m_ctx);
        // Saving the account or asking for a sync is the user acting on it: a password refused after
        // that is asked for again.
        const auto acted = [this] { m_passwordPrompt.userActed(); };
        QObject::connect(m_account.get(), &FormAccount::SyncAsked, m_account.get(), acted);
        // A saved or removed account answers a password window still open: it asked for the old one.
        QObject::connect(m_account.get(), &FormAccount::AccountChanged, m_account.get(), [this] {
            if (m_password && m_passwordPrompt.isAsking()) {
                m_password->withdraw();
                m_passwordPrompt.answered();
            }
            m_passwordPrompt.userActed();
        });
    }
    return m_account.get();
}

void ProgramWindows::askPassword(const QString& reason)
{
    if (!m_passwordPrompt.needed(reason)) {
        if (m_password && m_passwordPrompt.isAsking())
            m_password->setReason(reason);
        return;
    }
    if (!m_password) {
        m_password = std::make_unique<FormPassword>(m_ctx.screen);
        QObject::connect(m_password.get(), &FormPassword::Answered, m_password.get(),
                         [this](const QString& password) {
                             m_passwordPrompt.answered();
                             m_passwordPrompt.typed(password);
                             if (m_ctx.sync)
                                 m_ctx.sync->setPassword(password);
                         });
        QObject::connect(m_password.get(), &FormPassword::Declined, m_password.get(),
                         [this] { m_passwordPrompt.declined(); });
    }
    m_password->ask(reason);
}
