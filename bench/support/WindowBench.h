#pragma once

#include "app/ProgramWindows.h"
#include "forms/AppContext.h"
#include "occurrence/ScheduleOccurrences.h"
#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "support/ManualClock.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

class MainForm;

// What a window benchmark starts from: a generated schedule file in a temporary folder, the program's
// windows over it with the clock standing at 12 October 2002, 9:30, no beeps, and the main window shown.
struct WindowBench
{
    explicit WindowBench(ScreenService& screen) : screen(screen) {}

    // Writes `entries` generated entries and opens the windows, their real-clock timers stopped; false
    // (after saying why) when it cannot.
    bool open(size_t entries);
    // The same, with `prepare` run on the written file before it is opened (to add kept recurrences, say),
    // and the windows given the schedule's recurrences.
    bool open(size_t entries, const std::function<bool(const QString& path)>& prepare);
    // Stops the timers by which the shown windows follow the real clock: the calendar's once-a-second
    // alarm check and the countdown list's refresh. A benchmark ticks them by hand; left running, the
    // alarm check would open alarm windows whenever the manual clock stands on an alarm minute, and their
    // making and painting would fall into whatever timing is under way. A window that starts its timer
    // when it is loaded again (the countdown list) needs this again after it is shown.
    static void stopProgramTimers();

    class SilentBeeper : public BeepService
    {
    public:
        SilentBeeper() : BeepService(nullptr) {}
        void beep() override {}
        void alarmBeep() override {}
    };

    QTemporaryDir dir;
    size_t entries = 0; // how many entries the schedule holds
    std::unique_ptr<ScheduleDatabase> database;
    std::unique_ptr<SettingsStore> settings;
    ManualClock clock{QDateTime(QDate(2002, 10, 12), QTime(9, 30))};
    SilentBeeper beeper;
    MessageBoxService messages;
    ScreenService& screen;
    std::unique_ptr<ScheduleOccurrences> occurrences;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<ProgramWindows> windows;
    MainForm* form = nullptr;
};

// The main() of a window benchmark: the offscreen platform unless another is asked for, an American
// locale, the offscreen platform's note that it cannot raise windows kept quiet, then every benchmark
// registered in the program, run on a fixture of `entries` entries made available through `bench`.
int runWindowBenchmarks(int argc, char** argv, size_t entries, ScreenService& screen, WindowBench*& bench);
// The same over a file that `prepare` adds to before it is opened, the windows given its recurrences.
int runWindowBenchmarks(int argc, char** argv, size_t entries, ScreenService& screen, WindowBench*& bench,
                        const std::function<bool(const QString& path)>& prepare);
// The same for benchmarks that make windows of their own: no fixture is opened.
int runWindowBenchmarks(int argc, char** argv, size_t entries, ScreenService& screen);
