#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line: run (shown, or hidden in the notification area
// with --minimized), export or import a calendar file, or only print its help or version, or refuse
// options it does not know. It is read before anything else, so that a mistyped option touches neither
// the schedule nor the other instance.
struct CommandLine
{
    enum class Action
    {
        Run,
        PrintHelp,    // to standard output, exit code 0
        PrintVersion, // to standard output, exit code 0
        Export,       // every entry to the iCalendar file `file`, without a window
        Import,       // the events of the iCalendar file `file` into the schedule, without a window
        Sync,         // one sync with the calendar server account, without a window
        Account,      // set up (or with `removeAccount` remove) the calendar server account, without a window
        Refuse        // the error and the usage to standard error, exit code 2
    };

    Action action = Action::Run;
    bool minimized = false;
    QString text; // what to print for the actions that print
    QString file; // the calendar file of an export or an import
    QString accountServer;
    QString accountUser;
    QString accountCalendar; // the calendar's name; empty: the first that holds events
    bool removeAccount = false;

    static constexpr int RefusedExitCode = 2;

    // arguments as main() receives them, the program's name first.
    static CommandLine read(const QStringList& arguments);
};
