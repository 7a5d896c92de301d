#pragma once

#include "account/PasswordPrompt.h"
#include "forms/WindowOwner.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class AlarmService;
class FormPassword;
class RingingWindows;
class MainForm;
struct AppContext;

// What the main window calls on the shell; start-up hands these over to the window owner.
struct ShellHooks
{
    // The main window's load adds the notification-area icon, its unload removes it.
    std::function<void()> AddTrayIcon;
    std::function<void()> RemoveTrayIcon;
    // Shows the splash window again as the about screen and disables the main window until it closes
    // (the "&About" command and menu entry).
    std::function<void()> ShowAboutScreen;
    // Ends the program; the main window's unload calls it last.
    std::function<void()> EndProgram;
    // Whether the notification-area icon is shown now, so that "hide" can go there.
    std::function<bool()> TrayIconShown;
};

// The program's windows for the whole run: start-up makes it when the splash first asks for the main
// window, and every window reaches the others through it.
class ProgramWindows : public WindowOwner
{
public:
    explicit ProgramWindows(AppContext& context, ShellHooks hooks = {});
    ~ProgramWindows() override;

    MainForm& mainForm();

    QWidget* mainWindow() override;
    QMenu* trayMenu() override;
    QAction* exitEntry() override;
    FormOrganizer* organizer() override;
    FormOrganizer* openOrganizer() override;
    QWidget* yearView() override;
    formYear* yearWindow() override;
    FormAddSched* addScheduleDialog() override;
    FormAccount* accountWindow() override;
    // The window that asks for the calendar password when the sync service needs it; null until then.
    FormPassword* passwordWindow() const { return m_password.get(); }
    FormGrid* listWindow() override;
    FormGrid* loadedListWindow() override;
    void UnloadListWindow() override;
    void DockListWindow() override;
    void HideToTray(QWidget* window) override;
    void ApplyTheme(int themeNumber) override;
    AlarmService* alarmService() override { return m_alarmService; }
    // The windows of the ringing alarms.
    RingingWindows& ringingWindows() { return *m_ringing; }
    FormAlarm* newAlarmWindow() override;
    std::vector<FormAlarm*> alarmWindows() const override;

private:
    // The main window has unloaded: the windows it leaves behind go with it, then the program ends.
    void mainFormUnloaded();
    // The sync service needs a password: asked once, in a window of its own.
    void askPassword(const QString& reason);

    AppContext& m_ctx;
    ShellHooks m_hooks;
    // The context's alarm service, or, for windows made without one, a service of their own; either
    // outlives every window.
    std::unique_ptr<AlarmService> m_ownAlarms;
    AlarmService* m_alarmService = nullptr;
    // Gone after every other window, with the alarm windows still ringing.
    std::unique_ptr<RingingWindows> m_ringing;
    std::unique_ptr<MainForm> m_main;
    std::unique_ptr<FormAddSched> m_addSched;
    std::unique_ptr<formYear> m_year;
    std::unique_ptr<FormAccount> m_account;
    std::unique_ptr<FormPassword> m_password;
    PasswordPrompt m_passwordPrompt;
    QMetaObject::Connection m_passwordNeeded;
    QMetaObject::Connection m_syncFinished;
    // The countdown list, the organizer and the alarm windows delete themselves when they close.
    QPointer<FormGrid> m_list;
    QPointer<FormOrganizer> m_organizer;
    std::vector<QPointer<FormAlarm>> m_alarms;
};

using WindowOwnerFactory = std::function<std::unique_ptr<WindowOwner>(AppContext&, const ShellHooks&)>;
