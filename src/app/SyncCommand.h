#pragma once

#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QString>

#include <functional>

class Clock;
class PasswordStore;
class QCommandLineParser;
class SettingsStore;

// `zentravio --sync`: one sync of the schedule with the account's calendar, without a window, for scripts
// and timers. It prints one line of what came and went and ends with 0, or with 1 and the reason on
// standard error. It works beside a running Zentravio, which notices the entries written to the file.
class SyncCommand
{
public:
    struct Console
    {
        std::function<void(const QString&)> out;
        std::function<void(const QString&)> err;
    };

    static constexpr int FailedExitCode = 1;

    static QCommandLineOption addOption(QCommandLineParser& parser);
    // Fills `line` when --sync was given (a Sync action, or a refusal with its reason); false when the
    // command line is about something else.
    static bool readOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                           CommandLine& line);

    // What main() runs: one sync of the user's schedule with the user's settings and Secret Service.
    static int run(int& argc, char** argv);

    static int syncOnce(const QString& schedulePath, SettingsStore& settings, PasswordStore& passwords,
                        Clock& clock, const Console& console, int timeoutMs = 0);
};
