#pragma once

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;
struct AppContext;

// What the shell (start-up, tray icon, instance guard) needs of the main window. The main window
// implements it; start-up creates it through a MainWindowFactory when the splash first asks for it.
// Closing the main window ends the program.
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

// The hooks start-up hands to the main window besides the context.
struct ShellHooks
{
    // Shows the splash window again as the about screen (the "&About" command and menu entry).
    std::function<void()> ShowAboutScreen;
};

using MainWindowFactory = std::function<std::unique_ptr<MainWindowHost>(AppContext&, const ShellHooks&)>;
