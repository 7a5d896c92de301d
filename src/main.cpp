#include "app/AppResources.h"
#include "app/Program.h"
#include "app/ProgramWindows.h"
#include "forms/AppContext.h"
#include "forms/Services.h"
#include "settings/SettingsStore.h"
#include "store/Clock.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zentravio"));
    QApplication::setApplicationName(QStringLiteral("Zentravio"));
    QApplication::setWindowIcon(AppResources::programIcon());

    SystemClock clock;
    BeepService beeper;
    MessageBoxService messages;
    ScreenService screen;
    SettingsStore settings;

    // The one place where the program's windows join start-up.
    const WindowOwnerFactory makeWindows = [](AppContext& context, const ShellHooks& hooks) {
        return std::unique_ptr<WindowOwner>(std::make_unique<ProgramWindows>(context, hooks));
    };

    Program program({clock, beeper, messages, screen, settings}, ProgramPlaces::standard(), makeWindows);
    QObject::connect(&program, &Program::Ended, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (!program.Main())
        return program.exitCode();
    return QApplication::exec();
}
