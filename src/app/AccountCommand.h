#pragma once

#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QString>

#include <functional>

class PasswordStore;
class QCommandLineParser;
class SettingsStore;

// `zentravio --account URL USER [--calendar NAME]` and `zentravio --account --remove`: the sync account
// set up or removed without a window. The password comes from standard input (unechoed on a terminal),
// never from the command line, where every user of the machine could read it.
class AccountCommand
{
public:
    struct Options
    {
        QCommandLineOption account;
        QCommandLineOption calendar;
        QCommandLineOption remove;
    };

    struct Console
    {
        std::function<void(const QString&)> out;
        std::function<void(const QString&)> err;
        std::function<QString()> readPassword;
    };

    static constexpr int FailedExitCode = 1;

    static Options addOptions(QCommandLineParser& parser);
    // Fills `line` when the account's options were given (an Account action, or a refusal with its
    // reason); false when the command line is about something else.
    static bool readOptions(const QCommandLineParser& parser, const Options& options, CommandLine& line);

    // What main() runs: the account's command with the user's settings, Secret Service and terminal.
    static int run(const CommandLine& line, int& argc, char** argv);

    static int setUp(const CommandLine& line, SettingsStore& settings, PasswordStore& passwords,
                     const Console& console, int timeoutMs = 0);
    static int remove(SettingsStore& settings, PasswordStore& passwords, const Console& console);

    // One line from standard input; on a terminal after a prompt and without echo.
    static QString readPasswordFromStdin(const QString& user);
};
