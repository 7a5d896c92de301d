#include "app/SyncCommand.h"

#include "app/ConsoleLines.h"
#include "settings/SettingsStore.h"
#include "store/Clock.h"
#include "store/ScheduleDatabase.h"
#include "sync/AccountSettings.h"
#include "sync/PasswordStore.h"
#include "sync/SyncService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>

#include <cstdio>

namespace {

QString tr(const char* text, int n = -1)
{
    return QCoreApplication::translate("SyncCommand", text, nullptr, n);
}

} // namespace

QCommandLineOption SyncCommand::addOption(QCommandLineParser& parser)
{
    QCommandLineOption option(QStringLiteral("sync"),
                              tr("Sync the schedule once with the calendar account set up with --account, "
                                 "print what came and went, and end. Needs no display; a running Zentravio "
                                 "shows what came in."));
    parser.addOption(option);
    return option;
}

bool SyncCommand::readOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                             CommandLine& line)
{
    if (!parser.isSet(option))
        return false;
    const bool alone = parser.positionalArguments().isEmpty() && !parser.isSet(QStringLiteral("export")) &&
                       !parser.isSet(QStringLiteral("import")) && !parser.isSet(QStringLiteral("account"));
    line.action = alone ? CommandLine::Action::Sync : CommandLine::Action::Refuse;
    if (!alone)
        line.text = tr("--sync takes nothing more.");
    return true;
}

int SyncCommand::run(int& argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SettingsStore settings;
    PasswordStore passwords;
    SystemClock clock;
    return syncOnce(ScheduleDatabase::defaultPath(), settings, passwords, clock,
                    {consoleLines(stdout), consoleLines(stderr)});
}

int SyncCommand::syncOnce(const QString& schedulePath, SettingsStore& settings, PasswordStore& passwords,
                          Clock& clock, const Console& console, int timeoutMs)
{
    const AccountSettings account = AccountSettings::load(settings);
    if (!account.refusal.isEmpty()) {
        console.err(tr("Not synced: %1").arg(account.refusal));
        return FailedExitCode;
    }
    if (!account.isSet()) {
        console.err(tr("No calendar account is set up; set one up with --account URL USER."));
        return FailedExitCode;
    }
    // A first start of the program may not have happened yet: the schedule is made as that start would.
    if (!QFileInfo(schedulePath).exists() || QFileInfo(schedulePath).size() == 0) {
        const StoreResult created = ScheduleDatabase::CreateDatabaseFile(schedulePath);
        if (!created) {
            console.err(created.error);
            return FailedExitCode;
        }
    }
    QString error;
    const auto database = ScheduleDatabase::open(schedulePath, &error);
    if (!database) {
        console.err(error);
        return FailedExitCode;
    }

    SyncService service(*database, settings, passwords, clock);
    service.setKeepsStatusInFile(true);
    if (timeoutMs > 0)
        service.setRequestTimeout(timeoutMs);
    QEventLoop loop;
    int exitCode = FailedExitCode;
    // A refused password is told once, by the question it raises, not again by the failed sync's report.
    bool told = false;
    QObject::connect(&service, &SyncService::passwordNeeded, &loop, [&](const QString& reason) {
        told = true;
        if (!passwords.secretServiceWorks()) {
            // Without a Secret Service no password outlives the run that was given it, and this run was
            // given none.
            console.err(tr("Not synced: no password of the account can be read, as no Secret Service is "
                           "running; a password given to --account is kept only while that command runs."));
        } else {
            console.err(tr("Not synced: %1 Set the password again with --account.").arg(reason));
        }
        loop.quit();
    });
    QObject::connect(&service, &SyncService::syncFinished, &loop, [&](const SyncReport& report) {
        if (report.ok) {
            QString line = tr("Synced with %1: %2 received, %3 sent")
                               .arg(account.calendarName.isEmpty() ? account.calendarUrl.toString()
                                                                   : account.calendarName)
                               .arg(report.received)
                               .arg(report.sent);
            console.out(line + report.remarks() + QLatin1Char('.'));
            for (const QString& detail : report.details())
                console.out(detail);
            exitCode = 0;
        } else if (!told) {
            console.err(tr("Not synced: %1").arg(report.error));
            for (const QString& detail : report.details())
                console.err(detail);
        }
        loop.quit();
    });
    service.start();
    if (service.hasAccount())
        loop.exec();
    return exitCode;
}
