#include "app/Program.h"
#include "app/TrayIcon.h"
#include "app/formSplash.h"
#include "forms/AppContext.h"
#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "support/FakeWindows.h"
#include "support/TestServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Start-up as a whole: the schedule file, the splash hand-over, the answer to a later start and the end.
class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void missingScheduleIsCreated();
    void scheduleThatCannotBeCreatedIsReported();
    void unopenableScheduleIsReportedAndLeftAsItIs();
    void startUpShowsTheMainWindowAtTheThirdTick();
    void startUpWithAnUnopenableScheduleEnds();
    void startUpWithoutAnyInstanceGuardIsRefused();
    void laterStartRestoresTheHiddenMainWindow();
    void aboutScreenDisablesTheMainWindowUntilItCloses();
    void closingTheMainWindowEndsTheProgram();

private:
    // One program with its own folders and test services.
    struct Rig
    {
        QTemporaryDir root;
        ManualClock clock;
        CountingBeepService beeper;
        RecordingMessageBoxService messages;
        FixedScreenService screen;
        SettingsStore settings{root.filePath(QStringLiteral("Zentravio.conf"))};
        FakeWindows* host = nullptr; // owned by the program once made
        int made = 0;

        std::unique_ptr<Program> makeProgram(const QString& instanceFolder = {})
        {
            ProgramPlaces places{root.filePath(QStringLiteral("data/Zentravio.vmr")),
                                 instanceFolder.isEmpty() ? root.filePath(QStringLiteral("run"))
                                                          : instanceFolder,
                                 QString()};
            return std::make_unique<Program>(ProgramServices{clock, beeper, messages, screen, settings},
                                             places, [this](AppContext&, const ShellHooks& shellHooks) {
                                                 ++made;
                                                 hooks = shellHooks;
                                                 auto made = std::make_unique<FakeWindows>();
                                                 host = made.get();
                                                 return std::unique_ptr<WindowOwner>(std::move(made));
                                             });
        }
        QString databasePath() const { return root.filePath(QStringLiteral("data/Zentravio.vmr")); }
        ShellHooks hooks;
    };

    // Runs start-up until the splash has made way for the schedule to be read.
    // The splash's ticks are then the test's to give.
    static bool startUp(Program& program)
    {
        if (!program.Main())
            return false;
        program.splash()->findChild<QTimer*>("Timer1")->stop();
        return QTest::qWaitFor([&] { return program.context() != nullptr; }, 10000);
    }

    static QByteArray contentOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

void TestProgram::missingScheduleIsCreated()
{
    QTemporaryDir dir;
    RecordingMessageBoxService messages;
    const QString path = dir.filePath(QStringLiteral("new/Zentravio.vmr"));
    QVERIFY(Program::CreateMissingScheduleFile(path, messages));
    QVERIFY(QFileInfo(path).isFile());
    QVERIFY(Program::OpenScheduleFile(path, messages));

    // A schedule that is there is left alone.
    const QByteArray before = contentOf(path);
    QVERIFY(Program::CreateMissingScheduleFile(path, messages));
    QCOMPARE(contentOf(path), before);
    QVERIFY(messages.shown.isEmpty());
}

void TestProgram::scheduleThatCannotBeCreatedIsReported()
{
    QTemporaryDir dir;
    // A plain file where the schedule's folder should be.
    QFile blocker(dir.filePath(QStringLiteral("data")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RecordingMessageBoxService messages;
    const QString path = dir.filePath(QStringLiteral("data/Zentravio.vmr"));

    QVERIFY(!Program::CreateMissingScheduleFile(path, messages));
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.first().icon, QMessageBox::Critical);
    QVERIFY2(messages.shown.first().text.contains(dir.filePath(QStringLiteral("data"))),
             qPrintable(messages.shown.first().text));
    QVERIFY(QFileInfo(blocker.fileName()).isFile());
    QCOMPARE(QFileInfo(blocker.fileName()).size(), 0);
}

void TestProgram::unopenableScheduleIsReportedAndLeftAsItIs()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Zentravio.vmr"));
    const QByteArray garbage = QByteArray("These are my notes, not a schedule.\n").repeated(200);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(garbage);
    file.close();
    const QDateTime modified = QFileInfo(path).lastModified();

    RecordingMessageBoxService messages;
    int reportedAfter = -1;
    QVERIFY(!Program::OpenScheduleFile(path, messages, [&] { reportedAfter = int(messages.shown.size()); }));
    QCOMPARE(reportedAfter, 0); // the splash goes before the message comes
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.first().icon, QMessageBox::Critical);
    QVERIFY2(messages.shown.first().text.contains(QDir::toNativeSeparators(path)),
             qPrintable(messages.shown.first().text));

    QCOMPARE(contentOf(path), garbage);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Zentravio.vmr")});
}

void TestProgram::startUpShowsTheMainWindowAtTheThirdTick()
{
    Rig rig;
    auto program = rig.makeProgram();
    QVERIFY(startUp(*program));
    formSplash* splash = program->splash();
    QVERIFY(splash->isVisible());
    QVERIFY(QFileInfo(rig.databasePath()).isFile());

    splash->Timer1_Timer();
    splash->Timer1_Timer();
    QCOMPARE(rig.made, 0);
    splash->Timer1_Timer();
    QCOMPARE(rig.made, 1);
    QVERIFY(rig.host->window->isVisible());
    QVERIFY(splash->isVisible());
    // The main window's load adds the tray icon through the shell.
    QVERIFY(program->trayIcon());
    QVERIFY(program->trayIcon()->icon()->toolTip().isEmpty());
    rig.hooks.AddTrayIcon();
    QCOMPARE(program->trayIcon()->icon()->toolTip(), TrayIcon::TipText());

    splash->Timer1_Timer();
    QVERIFY(!splash->isVisible());
    QVERIFY(rig.host->window->isVisible());
    QVERIFY(rig.host->window->isEnabled());
    QCOMPARE(rig.made, 1);
    QVERIFY(rig.messages.shown.isEmpty());
}

void TestProgram::startUpWithAnUnopenableScheduleEnds()
{
    Rig rig;
    QVERIFY(QDir().mkpath(rig.root.filePath(QStringLiteral("data"))));
    const QByteArray garbage("SQLite format 2 -- not quite");
    QFile file(rig.databasePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(garbage);
    file.close();

    auto program = rig.makeProgram();
    QSignalSpy ended(program.get(), &Program::Ended);
    QVERIFY(program->Main());
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toInt(), 1);
    QCOMPARE(rig.messages.shown.size(), 1);
    QVERIFY(rig.messages.shown.first().text.contains(QDir::toNativeSeparators(rig.databasePath())));
    QVERIFY(!program->splash()->isVisible());
    QCOMPARE(rig.made, 0);
    QCOMPARE(contentOf(rig.databasePath()), garbage);
}

void TestProgram::startUpWithoutAnyInstanceGuardIsRefused()
{
    Rig rig;
    // Neither folder leaves room for the socket's name.
    QString deep = rig.root.path();
    while (deep.size() < 210)
        deep += QStringLiteral("/a-folder-with-a-long-name");
    auto program = rig.makeProgram(deep);
    QVERIFY(!program->Main());
    QCOMPARE(program->exitCode(), 1);
    QCOMPARE(rig.messages.shown.size(), 1);
    QCOMPARE(rig.messages.shown.first().icon, QMessageBox::Critical);
    QVERIFY(rig.messages.shown.first().text.contains(QStringLiteral("only once")));
    QVERIFY(!QFileInfo::exists(rig.databasePath()));
    QVERIFY(!program->splash());
}

void TestProgram::laterStartRestoresTheHiddenMainWindow()
{
    Rig rig;
    auto program = rig.makeProgram();
    QVERIFY(startUp(*program));
    for (int tick = 0; tick < 4; ++tick)
        program->splash()->Timer1_Timer();
    QWidget* main = rig.host->window.get();
    QTRY_VERIFY(main->isActiveWindow());

    // Hidden to the tray as a left click on the icon does it.
    program->context()->values.MainViewActive = true;
    program->trayIcon()->TrayLeftClick();
    QVERIFY(!main->isVisible());

    Rig later;
    auto second = later.makeProgram(rig.root.filePath(QStringLiteral("run")));
    QVERIFY(!second->Main());
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(!QFileInfo::exists(later.databasePath()));
    QVERIFY(!second->splash());

    QTRY_VERIFY(main->isVisible());
    QVERIFY(!program->context()->values.MainHidden);

    // Minimised, it is restored.
    main->showMinimized();
    auto third = later.makeProgram(rig.root.filePath(QStringLiteral("run")));
    QVERIFY(!third->Main());
    QTRY_VERIFY(!(main->windowState() & Qt::WindowMinimized));
}

void TestProgram::aboutScreenDisablesTheMainWindowUntilItCloses()
{
    Rig rig;
    auto program = rig.makeProgram();
    QVERIFY(startUp(*program));
    for (int tick = 0; tick < 4; ++tick)
        program->splash()->Timer1_Timer();
    QWidget* main = rig.host->window.get();

    rig.hooks.ShowAboutScreen();
    formSplash* about = program->splash();
    QVERIFY(about->isVisible());
    QVERIFY(!main->isEnabled());
    QVERIFY(!about->findChild<QTimer*>("Timer1")->isActive());
    QVERIFY(about->findChild<QTimer*>("Timer2")->isActive());

    about->VemraButton1_Click();
    QVERIFY(!about->isVisible());
    QVERIFY(main->isEnabled());
}

void TestProgram::closingTheMainWindowEndsTheProgram()
{
    Rig rig;
    auto program = rig.makeProgram();
    QSignalSpy ended(program.get(), &Program::Ended);
    QVERIFY(startUp(*program));
    for (int tick = 0; tick < 3; ++tick)
        program->splash()->Timer1_Timer();

    // Hiding is not closing.
    rig.host->window->hide();
    QCoreApplication::processEvents();
    QCOMPARE(ended.count(), 0);

    rig.host->window->show();
    rig.host->window->close();
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toInt(), 0);

    // The main window's own end call after its close makes no second end.
    rig.hooks.EndProgram();
    QCoreApplication::processEvents();
    QCOMPARE(ended.count(), 1);
}

QTEST_MAIN(TestProgram)
#include "TestProgram.moc"
