#pragma once

#include "forms/ListSide.h"
#include "forms/Services.h"
#include "notify/AlarmNotice.h"
#include "store/Clock.h"

#include <QString>

class KeptRecurrences;
class PasswordStore;
class ScheduleDatabase;
class SettingsStore;
class SyncService;

// Which window opened the add dialog, so that only that window is told when it closes.
enum class AddDialogOpener
{
    None,
    MainWindow,
    Organizer
};

// The program-wide values the windows share, gathered in one place and owned by the application
// object; windows receive it by reference.
struct ProgramValues
{
    QString DateFormatName = QStringLiteral("Long Date"); // format of copied dates
    QString ThemeName;                                    // "LIGHT", "DARK" or whatever was stored
    QString LastDateText;                                 // the date text the next copy puts on the clipboard
    AddDialogOpener OpenedFrom = AddDialogOpener::None;   // which window opened the add dialog
    bool ListDocked = false;                              // the countdown list is open beside the main window
    ListSide DockSide = ListSide::Left;                   // the side the countdown list docks on
    bool MainHidden = false;                              // the window the tray icon controls is hidden
    bool MainViewActive = false;      // the main window was the last calendar window activated
    bool OrganizerViewActive = false; // the organizer was activated after the year view
};

// The services and the open schedule, handed to every window.
struct AppContext
{
    ScheduleDatabase& database;
    SettingsStore& settings;
    Clock& clock;
    BeepService& beeper;
    MessageBoxService& messages;
    ScreenService& screen;
    ProgramValues values;
    AlarmNotifier& notifier = AlarmNotifier::none(); // alarms sent to the desktop beside their windows
    // The calendar sync for the run and where its password is kept; none where nothing syncs.
    SyncService* sync = nullptr;
    PasswordStore* passwords = nullptr;
    // When the entries that keep a whole recurrence take place; none where no occurrence is asked for.
    const KeptRecurrences* recurrences = nullptr;
};
