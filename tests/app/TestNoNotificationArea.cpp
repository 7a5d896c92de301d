#include "app/LoginStartSwitch.h"
#include "app/Program.h"
#include "app/ProgramWindows.h"
#include "app/TrayIcon.h"
#include "app/TrayWatch.h"
#include "forms/AppContext.h"
#include "settings/LoginStart.h"
#include "settings/SettingsStore.h"
#include "support/TestServices.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

// The program on a desktop without a notification area (GNOME's default), and on one whose notification
// area comes and goes while the program runs: "hide" must never leave a window out of reach, and the start
// at login must be told of and reachable without the notification-area menu.
class TestNoNotificationArea : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void hideMinimisesWithoutANotificationAreaAndFollowsOneThatComesAndGoes();
    void atLoginBeforeThePanelAClickOnTheLaterIconShowsTheCalendar();
    void theFirstStartSaysOnceThatItStartsAtLoginAndTheKeyboardSwitchesIt();

private:
    // On a real X server a window manager of the test's own decides what is shown, as a desktop's does.
    QProcess m_windowManager;
    QTemporaryDir m_managerDir;

    // One program with its own folders, the real windows and a notification area the test switches.
    struct Rig
    {
        QTemporaryDir root;
        ManualClock clock;
        CountingBeepService beeper;
        RecordingMessageBoxService messages;
        FixedScreenService screen;
        SettingsStore settings{root.filePath(QStringLiteral("Zentravio.conf"))};
        bool trayThere = true;
        QStringList told;

        std::unique_ptr<Program> makeProgram()
        {
            ProgramServices services{clock, beeper, messages, screen, settings};
            services.tellUser = [this](const QString& summary, const QString& body) {
                told << summary + QLatin1Char('\n') + body;
            };
            const ProgramPlaces places{.databasePath = root.filePath(QStringLiteral("data/Zentravio.vmr")),
                                       .instanceFolder = root.filePath(QStringLiteral("run")),
                                       .configFolder = root.filePath(QStringLiteral("config"))};
            auto program = std::make_unique<Program>(services, places, [](AppContext& context, const ShellHooks& hooks) {
                return std::unique_ptr<WindowOwner>(std::make_unique<ProgramWindows>(context, hooks));
            });
            program->setTrayAvailable([this] { return trayThere; });
            // Started as at login, so that the calendar is there at once, without the splash.
            program->setStartMinimized(true);
            return program;
        }
    };

    static void clickHide(QWidget* main)
    {
        auto* hide = main->findChild<QWidget*>(QStringLiteral("Image1(1)"));
        QVERIFY(hide);
        QTest::mouseClick(hide, Qt::LeftButton);
    }
};

void TestNoNotificationArea::initTestCase()
{
    const QString manager = qEnvironmentVariable("ZENTRAVIO_TEST_WINDOW_MANAGER");
    if (manager.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    // The window manager says it is ready by making a file once it has started.
    const QString ready = m_managerDir.filePath(QStringLiteral("ready"));
    m_windowManager.start(manager, {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                                    QStringLiteral("touch ") + ready});
    QVERIFY2(m_windowManager.waitForStarted(), qPrintable(manager + QStringLiteral(" did not start")));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), 20000);
}

void TestNoNotificationArea::cleanupTestCase()
{
    if (m_windowManager.state() != QProcess::Running)
        return;
    m_windowManager.terminate();
    m_windowManager.waitForFinished();
}

void TestNoNotificationArea::atLoginBeforeThePanelAClickOnTheLaterIconShowsTheCalendar()
{
    // Started at login before the panel: no notification area yet, so the calendar waits on the task bar.
    Rig rig;
    rig.trayThere = false;
    const auto program = rig.makeProgram();
    QVERIFY(program->Main());
    QWidget* main = program->windows()->mainWindow();
    ProgramValues& values = program->context()->values;
    QVERIFY(!program->trayIcon()->isShown());
    QVERIFY(main->isVisible() && main->isMinimized() && values.MainHidden);

    // The panel comes up: the icon is there, and the calendar goes to it.
    rig.trayThere = true;
    program->trayWatch()->look();
    QVERIFY(program->trayIcon()->isShown());
    QVERIFY(!main->isVisible());

    // Each click on the icon shows the calendar on the screen (not on the task bar), and the next hides it.
    for (int round = 0; round < 3; ++round) {
        program->trayIcon()->TrayLeftClick();
        QVERIFY(main->isVisible() && !values.MainHidden);
        QTRY_VERIFY2(main->windowHandle()->isExposed() && !main->isMinimized(), qPrintable(QString::number(round)));
        program->trayIcon()->TrayLeftClick();
        QVERIFY(!main->isVisible() && values.MainHidden);
        QTRY_VERIFY(!main->windowHandle()->isExposed());
    }
}

void TestNoNotificationArea::hideMinimisesWithoutANotificationAreaAndFollowsOneThatComesAndGoes()
{
    Rig rig;
    const auto program = rig.makeProgram();
    QVERIFY(program->Main());
    QWidget* main = program->windows()->mainWindow();
    ProgramValues& values = program->context()->values;
    QVERIFY(program->trayIcon()->isShown());
    QVERIFY(!main->isVisible() && values.MainHidden);

    // The panel goes away: the hidden calendar waits on the task bar instead.
    rig.trayThere = false;
    program->trayWatch()->look();
    QVERIFY(!program->trayIcon()->isShown());
    QVERIFY(main->isVisible() && main->isMinimized());

    // Without a notification area, "hide" minimises.
    main->showNormal();
    values.MainHidden = false;
    clickHide(main);
    QVERIFY(main->isVisible() && main->isMinimized());
    QVERIFY(values.MainHidden);

    // A panel that starts later gets the icon and the calendar that waited on the task bar; "hide" goes
    // to it again.
    rig.trayThere = true;
    program->trayWatch()->look();
    QVERIFY(program->trayIcon()->isShown());
    QVERIFY(!main->isVisible());
    program->trayIcon()->TrayLeftClick();
    QVERIFY(main->isVisible() && !main->isMinimized() && !values.MainHidden);
    clickHide(main);
    QVERIFY(!main->isVisible() && values.MainHidden);

    // Nothing changes while nothing changes on the desktop.
    program->trayWatch()->look();
    QVERIFY(!main->isVisible() && program->trayIcon()->isShown());
    QVERIFY(rig.messages.shown.isEmpty());
}

void TestNoNotificationArea::theFirstStartSaysOnceThatItStartsAtLoginAndTheKeyboardSwitchesIt()
{
    Rig rig;
    const QString entry = rig.root.filePath(QStringLiteral("config/autostart/zentravio.desktop"));
    {
        const auto program = rig.makeProgram();
        QVERIFY(program->Main());
        QVERIFY(QFile::exists(entry));
        QCOMPARE(rig.told.size(), 1);
        QVERIFY2(rig.told.first().contains(QLatin1String("when you log in")) &&
                     rig.told.first().contains(QLatin1String("Ctrl+L")),
                 qPrintable(rig.told.first()));
        QVERIFY(rig.messages.shown.isEmpty()); // nothing stands between the user and the calendar

        // Ctrl+L in the calendar turns it off and on, saying what now holds.
        auto* key = program->windows()->mainWindow()->findChild<QAction*>(QStringLiteral("actLoginStart"));
        QVERIFY(key);
        QCOMPARE(key->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
        key->trigger();
        QVERIFY(!QFile::exists(entry));
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(rig.messages.shown.last().text.contains(QLatin1String("no longer start")));
        // The notification-area menu shows the same state.
        emit program->windows()->trayMenu()->aboutToShow();
        QVERIFY(!program->trayIcon()->loginEntry()->isChecked());
        key->trigger();
        QVERIFY(QFile::exists(entry));
        QCOMPARE(rig.messages.shown.size(), 2);
        QCOMPARE(rig.messages.shown.last().icon, QMessageBox::Information);
        key->trigger();
    }
    // The user's choice stands, and a later start says nothing more.
    const auto again = rig.makeProgram();
    QVERIFY(again->Main());
    QVERIFY(!QFile::exists(entry));
    QCOMPARE(rig.told.size(), 1);
}

QTEST_MAIN(TestNoNotificationArea)
#include "TestNoNotificationArea.moc"
