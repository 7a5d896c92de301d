#include "app/AccountCommand.h"
#include "app/AppResources.h"
#include "app/CommandLine.h"
#include "app/EndSignals.h"
#include "app/Program.h"
#include "app/ProgramWindows.h"
#include "app/SessionBusCheck.h"
#include "app/SessionPlatform.h"
#include "app/SyncCommand.h"
#include "exchange/ExchangeCommand.h"
#include "forms/AppContext.h"
#include "forms/DesignFonts.h"
#include "forms/Services.h"
#include "notify/DesktopNotifier.h"
#include "settings/SettingsStore.h"
#include "store/Clock.h"
#include "store/ScheduleDatabase.h"

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <vector>

namespace {

// An export or an import runs before any application object, so that it needs no display and never
// meets the instance guard: it only touches the schedule file, through its own connection.
int exchange(const CommandLine& commandLine)
{
    QElapsedTimer started;
    started.start();
    const auto print = [](std::FILE* stream) {
        return [stream](const QString& text) {
            std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
            std::fflush(stream);
        };
    };
    const ExchangeCommand::Console console{print(stdout), print(stderr), [&] { return started.elapsed(); }};
    const QString schedule = ScheduleDatabase::defaultPath();
    if (commandLine.action == CommandLine::Action::Export)
        return ExchangeCommand::exportTo(schedule, commandLine.file, SystemClock().now(), console);
    return ExchangeCommand::importFrom(schedule, commandLine.file, QTimeZone::systemTimeZone(), console);
}

// Before the first window: a session bus that takes the connection and then never answers would hold the
// window's thread the first time Qt's accessibility bridge or its tray asks it anything, so such a bus is
// put out of every part's reach for the run, with one line saying so. Returns the bus the desktop notifier
// is to use (none after a silent one).
QString checkSessionBus()
{
    const QString address = DesktopNotifier::sessionBusAddress();
    if (SessionBusCheck::check(address) != SessionBusCheck::Outcome::Silent)
        return address;
    qputenv("DBUS_SESSION_BUS_ADDRESS", SessionBusCheck::refusedAddress());
    std::fputs((SessionBusCheck::silentBusLine(address) + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    return {};
}

// From the first ending signal, the program has this long to end as "Exit" ends it.
constexpr std::chrono::milliseconds EndDeadline{900};

int runProgram(const CommandLine& commandLine, const QString& busAddress)
{
    QApplication::setWindowIcon(AppResources::programIcon());
    DesignFonts::load();

    SystemClock clock;
    BeepService beeper;
    MessageBoxService messages;
    ScreenService screen;
    SettingsStore settings;
    DesktopNotifier notifier(busAddress);

    // The one place where the program's windows join start-up.
    const WindowOwnerFactory makeWindows = [](AppContext& context, const ShellHooks& hooks) {
        return std::unique_ptr<WindowOwner>(std::make_unique<ProgramWindows>(context, hooks));
    };

    ProgramServices services{clock, beeper, messages, screen, settings, notifier};
    services.tellUser = [&notifier](const QString& summary, const QString& body) {
        notifier.inform(summary, body);
    };
    Program program(services, ProgramPlaces::standard(), makeWindows);
    program.setStartMinimized(commandLine.minimized);
    // The icon's own connection, so that its place on the bus is the program's whatever Qt's icon does.
    if (!busAddress.isEmpty())
        program.setStatusNotifierBus(
            QDBusConnection::connectToBus(busAddress, QStringLiteral("zentravio-status-notifier")));
    QObject::connect(&program, &Program::Ended, qApp, &QCoreApplication::exit, Qt::QueuedConnection);
    EndSignals endSignals;
    endSignals.setDeadline(EndDeadline);
    QObject::connect(&endSignals, &EndSignals::EndRequested, &program, &Program::EndOnRequest);
    if (!program.Main())
        return program.exitCode();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // Blocks of a megabyte and more (the schedule's arrays, the organizer's sort) are mapped on their own
    // and given back to the system when freed. Left to itself the allocator raises that limit after the
    // first such block is freed, and a sort of a million entries would then leave a hundred megabytes
    // of freed heap held for the rest of the run.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);

    SessionPlatform::setIdentity(QStringLiteral(ZENTRAVIO_VERSION));

    // Read before the application object exists, so that --help and --version work without a display and
    // a mistyped option touches neither the schedule nor a running instance.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = CommandLine::read(arguments);
    switch (commandLine.action) {
    case CommandLine::Action::PrintHelp:
    case CommandLine::Action::PrintVersion:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::Refuse:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stderr);
        return CommandLine::RefusedExitCode;
    case CommandLine::Action::Export:
    case CommandLine::Action::Import:
        return exchange(commandLine);
    case CommandLine::Action::Account:
        return AccountCommand::run(commandLine, argc, argv);
    case CommandLine::Action::Sync:
        return SyncCommand::run(argc, argv);
    case CommandLine::Action::Run:
        break;
    }

    const QString busAddress = checkSessionBus();

    // The platform the session's XWayland offers is asked for on the command line Qt reads, so that
    // programs started from here still make their own choice.
    std::vector<char*> appArguments(argv, argv + argc);
    QByteArray platformFlag = QByteArrayLiteral("-platform");
    QByteArray platform = SessionPlatform::chosenPlatform(SessionPlatform::Session::current()).toLatin1();
    if (!platform.isEmpty()) {
        appArguments.push_back(platformFlag.data());
        appArguments.push_back(platform.data());
    }
    int appArgumentCount = int(appArguments.size());
    appArguments.push_back(nullptr);
    QApplication app(appArgumentCount, appArguments.data());
    const int exitCode = runProgram(commandLine, busAddress);
    // A notifier that had to leave its sender waiting on a bus that stopped answering: the bus library
    // would wait for it again as the process ends, so the process ends here, with everything saved.
    if (DesktopNotifier::senderLeftBehind()) {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
