#pragma once

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;
struct AppContext;

// What the shell (start-up, tray icon, instance guard) needs of the main window. The main window
// implements it (or a small adapter around it does); start-up creates it through a MainWindowFactory when
// the splash first asks for it. Closing the main window ends the program.
class MainWindowHost
{
public:
    virtual ~MainWindowHost() = default;

    virtual QWidget* mainWindow() = 0; // the main window itself
    virtual QMenu* trayMenu() = 0;     // the pop-up menu `mnu` that the tray icon's right click shows
    virtual QAction* exitEntry() = 0;  // its entry `mnuExit` ("&Exit")

    // The year view once it has been opened; the tray icon shows and hides it when it was the last
    // active calendar window.
    virtual QWidget* yearView() { return nullptr; }

    // Puts the countdown list beside the main window on the side `DockSide` names, shows it and
    // disables the countdown command, since the list is open.
    virtual void DockListWindow() {}
    // Closes the countdown list without clearing `ListDocked`, so that it comes back with the main window.
    virtual void UnloadListWindow() {}
};

// What the main window calls on the shell; start-up hands these over with the context.
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
};

using MainWindowFactory = std::function<std::unique_ptr<MainWindowHost>(AppContext&, const ShellHooks&)>;
