#include "app/Program.h"
#include "app/ProgramWindows.h"
#include "app/TrayIcon.h"
#include "app/formSplash.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "support/TestServices.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The real calendar window joined to start-up: what `make run` puts on the screen, from the splash
// to the end of the program.
class TestStartUp : public QObject
{
    Q_OBJECT

private slots:
    void theCalendarComesUpAndEndsThroughItsMenu()
    {
        QTemporaryDir root;
        ManualClock clock(QDateTime(QDate(2003, 3, 7), QTime(9, 0)));
        CountingBeepService beeper;
        RecordingMessageBoxService messages;
        FixedScreenService screen;
        SettingsStore settings(root.filePath(QStringLiteral("Zentravio.conf")));
        const QString databasePath = root.filePath(QStringLiteral("data/Zentravio.vmr"));
        Program program({clock, beeper, messages, screen, settings},
                        ProgramPlaces{databasePath, root.filePath(QStringLiteral("run"))},
                        [](AppContext& context, const ShellHooks& hooks) {
                            return std::unique_ptr<WindowOwner>(
                                std::make_unique<ProgramWindows>(context, hooks));
                        });
        QSignalSpy ended(&program, &Program::Ended);

        QVERIFY(program.Main());
        formSplash* splash = program.splash();
        splash->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
        QVERIFY(QTest::qWaitFor([&] { return program.context() != nullptr; }, 10000));
        for (int tick = 0; tick < 4; ++tick)
            splash->Timer1_Timer();
        QVERIFY(!splash->isVisible());

        QWidget* main = program.windows()->mainWindow();
        QVERIFY(main->isVisible());
        QVERIFY(main->isEnabled());
        QCOMPARE(main->windowTitle(), QStringLiteral("Zentravio"));
        // March 2003 begins on a Saturday: the 7th sits in cell 12, in today's red.
        auto* today = main->findChild<ClickLabel*>(QStringLiteral("DaySlot(12)"));
        QVERIFY(today);
        QCOMPARE(today->text(), QStringLiteral("7"));
        QCOMPARE(today->ForeColor(), Bgr::Red);
        QCOMPARE(program.trayIcon()->icon()->toolTip(), TrayIcon::TipText());
        QVERIFY(messages.shown.isEmpty());

        // The tray's menu is the window's own, and its Exit ends the program with the settings saved.
        QMenu* menu = program.windows()->trayMenu();
        QAction* exit = program.windows()->exitEntry();
        QVERIFY(menu && exit && menu->actions().contains(exit));
        QCOMPARE(exit->text(), QStringLiteral("&Exit"));
        exit->trigger();
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().toInt(), 0);
        QCOMPARE(settings.GetString(QStringLiteral("Colors"), QStringLiteral("Theme")),
                 QStringLiteral("LIGHT"));
        QCOMPARE(settings.GetString(QStringLiteral("Format"), QStringLiteral("FMat")),
                 QStringLiteral("Long Date"));
    }
};

QTEST_MAIN(TestStartUp)
#include "TestStartUp.moc"
