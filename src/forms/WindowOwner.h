#pragma once

#include <QWidget>

#include <vector>

class AlarmService;
class FormAccount;
class FormAddSched;
class FormAlarm;
class FormGrid;
class FormOrganizer;
class QAction;
class QMenu;
class formYear;

// The one owner of every window for the run. Windows ask it for each other ("the add dialog", "the
// countdown list if it is loaded") instead of creating or holding each other, so that no window becomes
// the hub that knows every other, and a test can hand in a fake for any of them.
//
// Single-instance windows are made on first use and live until the program ends or, for the countdown
// list, until they unload; alarm windows are made anew for every alarm and live until they close.
class WindowOwner
{
public:
    virtual ~WindowOwner() = default;

    // The main window.
    virtual QWidget* mainWindow() = 0;
    // The notification-area menu `mnu` and its entry `mnuExit` ("&Exit").
    virtual QMenu* trayMenu() = 0;
    virtual QAction* exitEntry() = 0;
    // The year view while it is loaded (shown or hidden to the tray); null otherwise.
    virtual QWidget* yearView() { return nullptr; }
    // The year view, made on first use; showing it loads it.
    virtual formYear* yearWindow() { return nullptr; }

    // The organizer, made (not shown) when it is not open; it is deleted when it closes.
    virtual FormOrganizer* organizer() { return nullptr; }
    // The organizer while it is open; null otherwise.
    virtual FormOrganizer* openOrganizer() { return nullptr; }

    // The add-schedule dialog.
    virtual FormAddSched* addScheduleDialog() = 0;

    // The "Calendar Account" window, made on first use; none where the program offers no sync.
    virtual FormAccount* accountWindow() { return nullptr; }

    // The countdown list, loaded (hidden, refreshing itself) when it is not loaded yet.
    virtual FormGrid* listWindow() = 0;
    // The countdown list when it is loaded; null otherwise.
    virtual FormGrid* loadedListWindow() = 0;
    // Unloads the countdown list without touching `ListDocked`, so that it comes back with the main
    // window.
    virtual void UnloadListWindow() = 0;
    // Puts the countdown list beside the main window on the side `DockSide` names, shows it and
    // disables the countdown command, since the list is open.
    virtual void DockListWindow() = 0;

    // "Hide" (the main window's bar picture and Ctrl+M, the year view's "Min"): to the notification area
    // where the desktop has one, minimised to the task bar where it has none, so that it can come back.
    virtual void HideToTray(QWidget* window) { window->hide(); }

    // The colour theme routine, which colours the main window and the countdown list together.
    virtual void ApplyTheme(int themeNumber) = 0;

    // The program's alarm service, which rings the alarms for the whole run; none where no alarm rings.
    virtual AlarmService* alarmService() { return nullptr; }

    // A new alarm window, not shown yet; it is kept among the open alarm windows until it closes.
    virtual FormAlarm* newAlarmWindow() = 0;
    virtual std::vector<FormAlarm*> alarmWindows() const = 0;
};
