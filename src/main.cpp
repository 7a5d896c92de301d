#include "app/AccountCommand.h"
#include "app/AppResources.h"
#include "app/CommandLine.h"
#include "app/EndSignals.h"
#include "app/Program.h"
#include "app/ProgramWindows.h"
#include "exchange/ExchangeCommand.h"
#include "forms/AppContext.h"
#include "forms/DesignFonts.h"
#include "forms/Services.h"
#include "notify/DesktopNotifier.h"
#include "settings/SettingsStore.h"
#include "store/Clock.h"
#include "store/ScheduleDatabase.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <malloc.h>

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

} // namespace

int main(int argc, char* argv[])
{
    // Blocks of a megabyte and more (the schedule's arrays, the organizer's sort) are mapped on their own
    // and given back to the system when freed. Left to itself the allocator raises that limit after the
    // first such block is freed, and a sort of a million entries would then leave a hundred megabytes
    // of freed heap held for the rest of the run.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);

    QCoreApplication::setOrganizationName(QStringLiteral("Zentravio"));
    QCoreApplication::setApplicationName(QStringLiteral("Zentravio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTRAVIO_VERSION));

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
    case CommandLine::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setWindowIcon(AppResources::programIcon());
    DesignFonts::load();

    SystemClock clock;
    BeepService beeper;
    MessageBoxService messages;
    ScreenService screen;
    SettingsStore settings;
    DesktopNotifier notifier;

    // The one place where the program's windows join start-up.
    const WindowOwnerFactory makeWindows = [](AppContext& context, const ShellHooks& hooks) {
        return std::unique_ptr<WindowOwner>(std::make_unique<ProgramWindows>(context, hooks));
    };

    Program program({clock, beeper, messages, screen, settings, notifier}, ProgramPlaces::standard(),
                    makeWindows);
    program.setStartMinimized(commandLine.minimized);
    QObject::connect(&program, &Program::Ended, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    const EndSignals endSignals;
    QObject::connect(&endSignals, &EndSignals::EndRequested, &program, &Program::EndOnRequest);
    if (!program.Main())
        return program.exitCode();
    return QApplication::exec();
}
