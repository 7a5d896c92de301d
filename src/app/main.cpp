#include "app/AppContext.h"
#include "app/AppResources.h"
#include "app/Clock.h"
#include "app/MainFormHost.h"
#include "app/Program.h"
#include "app/Services.h"
#include "settings/SettingsStore.h"

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

    // The one place where the main window joins start-up.
    const MainWindowFactory makeMainWindow = [](AppContext& context, const ShellHooks& hooks) {
        return std::unique_ptr<MainWindowHost>(std::make_unique<MainFormHost>(context, hooks));
    };

    Program program({clock, beeper, messages, screen, settings}, ProgramPlaces::standard(), makeMainWindow);
    QObject::connect(&program, &Program::Ended, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (!program.Main())
        return program.exitCode();
    return QApplication::exec();
}
