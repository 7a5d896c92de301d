#pragma once

#include "app/MainWindowHost.h"
#include "calendar/MainForm.h"

// Joins the calendar window to start-up: the shell reaches the window, its tray menu and the Exit entry
// through here, and the window's load, about and unload reach the shell through the hooks.
class MainFormHost : public MainWindowHost
{
public:
    MainFormHost(AppContext& context, const ShellHooks& hooks);

    QWidget* mainWindow() override { return &m_form; }
    QMenu* trayMenu() override { return m_form.mnu(); }
    QAction* exitEntry() override { return m_form.mnuExit(); }

private:
    MainForm m_form;
};
