#include "app/AccountCommand.h"

#include "app/ConsoleLines.h"
#include "settings/SettingsStore.h"
#include "sync/AccountSettings.h"
#include "sync/AccountSetup.h"
#include "sync/PasswordStore.h"
#include "sync/ServerAddress.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QUrl>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AccountCommand", text);
}

QString hostOf(const QString& server)
{
    return QUrl(server).host();
}

} // namespace

AccountCommand::Options AccountCommand::addOptions(QCommandLineParser& parser)
{
    Options options{
        QCommandLineOption(QStringLiteral("account"),
                           tr("Set up syncing with a calendar server: --account URL USER [--calendar NAME] "
                              "reads the password from standard input, finds the calendar and ends. "
                              "--account --remove forgets the account and its password; the entries stay.")),
        QCommandLineOption(QStringLiteral("calendar"),
                           tr("With --account: the calendar to sync (the first that holds events when not "
                              "given)."),
                           QStringLiteral("name")),
        QCommandLineOption(QStringLiteral("remove"), tr("With --account: remove the account."))};
    parser.addOptions({options.account, options.calendar, options.remove});
    return options;
}

bool AccountCommand::readOptions(const QCommandLineParser& parser, const Options& options, CommandLine& line)
{
    if (!parser.isSet(options.account) && !parser.isSet(options.calendar) && !parser.isSet(options.remove))
        return false;
    const QStringList positional = parser.positionalArguments();
    line.action = CommandLine::Action::Refuse;
    if (!parser.isSet(options.account)) {
        line.text = tr("--calendar and --remove go with --account.");
    } else if (parser.isSet(QStringLiteral("export")) || parser.isSet(QStringLiteral("import"))) {
        line.text = tr("Give --account without --export or --import.");
    } else if (parser.isSet(options.remove)) {
        if (positional.isEmpty() && !parser.isSet(options.calendar)) {
            line.action = CommandLine::Action::Account;
            line.removeAccount = true;
        } else {
            line.text = tr("--account --remove takes nothing more.");
        }
    } else if (positional.size() != 2 || parser.values(options.calendar).size() > 1) {
        line.text = tr("--account takes the server's address and the user name.");
    } else {
        line.action = CommandLine::Action::Account;
        line.accountServer = positional.at(0);
        line.accountUser = positional.at(1);
        line.accountCalendar = parser.value(options.calendar);
    }
    return true;
}

int AccountCommand::run(const CommandLine& line, int& argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SettingsStore settings;
    PasswordStore passwords;
    const Console console{consoleLines(stdout), consoleLines(stderr),
                          [&line] { return readPasswordFromStdin(line.accountUser); }};
    if (line.removeAccount)
        return remove(settings, passwords, console);
    return setUp(line, settings, passwords, console);
}

int AccountCommand::setUp(const CommandLine& line, SettingsStore& settings, PasswordStore& passwords,
                          const Console& console, int timeoutMs)
{
    AccountSetup::Request request;
    request.server = line.accountServer;
    request.user = line.accountUser;
    request.calendarName = line.accountCalendar;
    request.timeoutMs = timeoutMs;
    // A certificate fingerprint the user accepted in the account window still stands for that server.
    const AccountSettings before = AccountSettings::load(settings);
    AccountSetup setup(settings, passwords);
    if (!before.acceptedFingerprint.isEmpty() &&
        hostOf(before.server) == ServerAddress::fromUserText(request.server).host())
        request.acceptedFingerprint = before.acceptedFingerprint;
    request.password = console.readPassword();

    QEventLoop loop;
    AccountSetup::Outcome outcome;
    setup.run(request, [&](const AccountSetup::Outcome& result) {
        outcome = result;
        loop.quit();
    });
    loop.exec();
    if (!outcome.ok) {
        console.err(tr("No account was set up: %1").arg(outcome.message));
        return FailedExitCode;
    }
    console.out(outcome.message);
    if (!outcome.passwordProblem.isEmpty())
        console.err(outcome.passwordProblem);
    return 0;
}

int AccountCommand::remove(SettingsStore& settings, PasswordStore& passwords, const Console& console)
{
    const AccountSettings account = AccountSettings::load(settings);
    if (account.server.isEmpty() && account.user.isEmpty()) {
        console.out(tr("No calendar account was set up."));
        return 0;
    }
    QEventLoop loop;
    passwords.remove(account.passwordKey(), [&](const PasswordStore::Outcome&) { loop.quit(); });
    loop.exec();
    if (!AccountSettings::clear(settings)) {
        console.err(tr("The settings file could not be written; the account is still set up."));
        return FailedExitCode;
    }
    console.out(tr("The calendar account of %1 at %2 was removed; the entries stay as they are.")
                    .arg(account.user, hostOf(account.server)));
    return 0;
}

QString AccountCommand::readPasswordFromStdin(const QString& user)
{
    const bool terminal = isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal) {
        std::fputs(tr("Password for %1: ").arg(user).toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string text;
    std::getline(std::cin, text);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}
