#include "app/CommandLine.h"
#include "app/InstanceGuard.h"
#include "app/Program.h"
#include "app/TrayIcon.h"
#include "app/formSplash.h"
#include "forms/AppContext.h"
#include "settings/LoginStart.h"
#include "settings/SettingsStore.h"
#include "support/FakeWindows.h"
#include "support/HeadlessProgram.h"
#include "support/TestServices.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// How the program starts as a desktop program: its command line, the start at login (the autostart
// entry, the tray menu's switch, the hidden start) and a login start meeting a running instance.
class TestDesktopStart : public QObject
{
    Q_OBJECT

private slots:
    void commandLineIsReadBeforeAnythingIsTouched();
    void firstStartTurnsLoginStartOnAndTheUserChoiceStands();
    void trayMenuSwitchesLoginStartAndSaysWhenItCannot();
    void loginStartWaitsInTheTrayWithItsAlarmsRunning();
    void loginStartLeavesARunningInstanceAlone();
};

void TestDesktopStart::commandLineIsReadBeforeAnythingIsTouched()
{
    QCOMPARE(CommandLine::read({"zentravio"}).action, CommandLine::Action::Run);
    const CommandLine minimized = CommandLine::read({"zentravio", "--minimized"});
    QCOMPARE(minimized.action, CommandLine::Action::Run);
    QVERIFY(minimized.minimized);
    QVERIFY(!CommandLine::read({"zentravio"}).minimized);

    // The real program: nothing is created for an option it does not know, and no display is needed.
    QTemporaryDir root;
    const HeadlessProgram program(root.path());
    const auto run = [&](const QStringList& arguments) { return program.run(arguments); };
    const auto refused = run({QStringLiteral("--bogus")});
    QCOMPARE(refused->exitCode(), CommandLine::RefusedExitCode);
    const QString error = QString::fromLocal8Bit(refused->readAllStandardError());
    QVERIFY2(error.contains(QLatin1String("bogus")) && error.contains(QLatin1String("--minimized")),
             qPrintable(error));
    QVERIFY(refused->readAllStandardOutput().isEmpty());
    QVERIFY(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    const auto version = run({QStringLiteral("--version")});
    QCOMPARE(version->exitCode(), 0);
    QVERIFY(
        QString::fromLocal8Bit(version->readAllStandardOutput()).startsWith(QLatin1String("Zentravio 1.")));
    const auto help = run({QStringLiteral("--help")});
    QCOMPARE(help->exitCode(), 0);
    QVERIFY(
        QString::fromLocal8Bit(help->readAllStandardOutput()).contains(QLatin1String("Usage: zentravio")));
    QVERIFY(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void TestDesktopStart::firstStartTurnsLoginStartOnAndTheUserChoiceStands()
{
    QTemporaryDir root;
    SettingsStore settings(root.filePath(QStringLiteral("Zentravio.conf")));
    LoginStart login(settings, root.filePath(QStringLiteral("config")));
    QCOMPARE(login.entryPath(), root.filePath(QStringLiteral("config/autostart/zentravio.desktop")));
    QVERIFY(!login.isOn());

    QVERIFY(login.offerOnFirstStart());
    QVERIFY(login.isOn());
    QFile entry(login.entryPath());
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    QVERIFY(text.startsWith(QLatin1String("[Desktop Entry]\n")));
    QVERIFY(text.contains(QLatin1String(" --minimized\n")));

    // Turned off by the user: a later start does not turn it on again.
    QVERIFY(login.setOn(false));
    QVERIFY(login.offerOnFirstStart());
    QVERIFY(!login.isOn());

    // A program path with blanks and quotes is quoted as desktop entries want it.
    QCOMPARE(LoginStart::entryText(QStringLiteral("/opt/my apps/\"z\"")).section(QLatin1Char('\n'), 4, 4),
             QStringLiteral("Exec=\"/opt/my apps/\\\\\"z\\\\\"\" --minimized"));
}

void TestDesktopStart::trayMenuSwitchesLoginStartAndSaysWhenItCannot()
{
    QTemporaryDir root;
    SettingsStore settings(root.filePath(QStringLiteral("Zentravio.conf")));
    LoginStart login(settings, root.filePath(QStringLiteral("config")));
    RecordingMessageBoxService messages;
    ProgramValues values;
    FakeWindows host;
    TrayIcon tray(values, host);
    tray.offerLoginStart(login, messages);

    QAction* entry = tray.loginEntry();
    const QList<QAction*> actions = host.menu->actions();
    QCOMPARE(actions.indexOf(entry), actions.indexOf(host.exit) - 1); // just above "&Exit"
    QCOMPARE(entry->text(), QStringLiteral("Start at &login"));
    QVERIFY(entry->isCheckable() && !entry->isChecked());

    entry->trigger();
    QVERIFY(login.isOn());
    entry->trigger();
    QVERIFY(!login.isOn());

    // A file where the autostart folder should be: the user is told, and the box tells the truth.
    QVERIFY(QDir(root.filePath(QStringLiteral("config/autostart"))).removeRecursively());
    QFile blocker(root.filePath(QStringLiteral("config/autostart")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    entry->trigger();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.first().icon, QMessageBox::Warning);
    QVERIFY(messages.shown.first().text.contains(QLatin1String("could not be written")));
    QVERIFY(!entry->isChecked());
}

void TestDesktopStart::loginStartWaitsInTheTrayWithItsAlarmsRunning()
{
    QTemporaryDir root;
    ManualClock clock;
    CountingBeepService beeper;
    RecordingMessageBoxService messages;
    FixedScreenService screen;
    SettingsStore settings(root.filePath(QStringLiteral("Zentravio.conf")));
    FakeWindows* host = nullptr;
    bool trayAdded = false;
    const auto makeWindows = [&](AppContext&, const ShellHooks& hooks) {
        auto made = std::make_unique<FakeWindows>();
        host = made.get();
        hooks.AddTrayIcon(); // as the main window's load does
        trayAdded = true;
        return std::unique_ptr<WindowOwner>(std::move(made));
    };
    const ProgramPlaces places{.databasePath = root.filePath(QStringLiteral("data/Zentravio.vmr")),
                               .instanceFolder = root.filePath(QStringLiteral("run")),
                               .configFolder = root.filePath(QStringLiteral("config"))};

    Program program({clock, beeper, messages, screen, settings}, places, makeWindows);
    program.setStartMinimized(true);
    program.setTrayAvailable([] { return true; });
    QVERIFY(program.Main());
    QVERIFY(!program.splash());
    QVERIFY(host && trayAdded);
    QVERIFY(!host->window->isVisible());
    QVERIFY(program.context()->values.MainHidden);
    QVERIFY2(QFile::exists(root.filePath(QStringLiteral("config/autostart/zentravio.desktop"))),
             qPrintable(messages.shown.isEmpty() ? QString() : messages.shown.first().text));

    // The tray's left click shows it as the window it controls.
    program.trayIcon()->TrayLeftClick();
    QVERIFY(host->window->isVisible());

    // Without a notification area it waits minimised on the task bar, without a splash, its alarms running.
    QTemporaryDir other;
    SettingsStore otherSettings(other.filePath(QStringLiteral("Zentravio.conf")));
    Program shown({clock, beeper, messages, screen, otherSettings},
                  {.databasePath = other.filePath(QStringLiteral("Zentravio.vmr")),
                   .instanceFolder = other.filePath(QStringLiteral("run"))},
                  makeWindows);
    shown.setStartMinimized(true);
    shown.setTrayAvailable([] { return false; });
    QVERIFY(shown.Main());
    QVERIFY(!shown.splash());
    QVERIFY(host->window->isVisible() && host->window->isMinimized());
    QVERIFY(!shown.loginStart()); // no config folder given: nothing offered
}

void TestDesktopStart::loginStartLeavesARunningInstanceAlone()
{
    QTemporaryDir folder;
    InstanceGuard first(folder.path());
    QSignalSpy raised(&first, &InstanceGuard::activationRequested);
    QCOMPARE(first.GuardInstance(), InstanceGuard::Outcome::FirstInstance);

    InstanceGuard atLogin(folder.path());
    QCOMPARE(atLogin.GuardInstance(InstanceGuard::Request::LeaveAlone),
             InstanceGuard::Outcome::OtherInstanceRaised);

    // A start by hand after it asks once; had the login start asked too, there would be two requests.
    InstanceGuard byHand(folder.path());
    QCOMPARE(byHand.GuardInstance(), InstanceGuard::Outcome::OtherInstanceRaised);
    QTRY_COMPARE(raised.count(), 1);
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(raised.count(), 1);
}

QTEST_MAIN(TestDesktopStart)
#include "TestDesktopStart.moc"
