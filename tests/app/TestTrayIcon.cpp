#include "app/TrayIcon.h"
#include "forms/AppContext.h"
#include "support/FakeWindows.h"

#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

Q_DECLARE_METATYPE(TrayToggle)

class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void leftClickDecision_data();
    void leftClickDecision();
    void leftClickHidesAndShowsTheMainWindow();
    void showingTheMainWindowBringsTheDockedListBack();
    void leftClickTogglesTheYearViewWhenItWasLastActive();
    void rightClickEnablesExitOnlyForTheMainView();
    void aRightClickPassedOnPopsUpTheMenuOnlyWhereNoneShows();
    void iconCarriesTheTipAndNeedsNoNotificationArea();
    void restoreBringsBackAHiddenOrMinimisedWindow();
};

void TestTrayIcon::leftClickDecision_data()
{
    QTest::addColumn<bool>("mainViewActive");
    QTest::addColumn<bool>("organizerViewActive");
    QTest::addColumn<bool>("mainHidden");
    QTest::addColumn<TrayToggle>("expected");
    QTest::newRow("main shown") << true << false << false << TrayToggle::HideMainWindow;
    QTest::newRow("main hidden") << true << false << true << TrayToggle::ShowMainWindow;
    // The main view's flag wins over a stale organizer flag.
    QTest::newRow("main shown after organizer") << true << true << false << TrayToggle::HideMainWindow;
    QTest::newRow("year view shown") << false << false << false << TrayToggle::HideYearView;
    QTest::newRow("year view hidden") << false << false << true << TrayToggle::ShowYearView;
    QTest::newRow("organizer") << false << true << false << TrayToggle::Nothing;
    QTest::newRow("organizer, hidden flag") << false << true << true << TrayToggle::Nothing;
}

void TestTrayIcon::leftClickDecision()
{
    QFETCH(bool, mainViewActive);
    QFETCH(bool, organizerViewActive);
    QFETCH(bool, mainHidden);
    QFETCH(TrayToggle, expected);
    ProgramValues values;
    values.MainViewActive = mainViewActive;
    values.OrganizerViewActive = organizerViewActive;
    values.MainHidden = mainHidden;
    QCOMPARE(TrayLeftClickAction(values), expected);
}

void TestTrayIcon::leftClickHidesAndShowsTheMainWindow()
{
    ProgramValues values;
    values.MainViewActive = true;
    FakeWindows host;
    host.window->show();
    TrayIcon tray(values, host);

    tray.TrayLeftClick();
    QVERIFY(!host.window->isVisible());
    QVERIFY(values.MainHidden);
    QCOMPARE(host.unloaded, 1); // the countdown list goes with the window

    tray.TrayLeftClick();
    QVERIFY(host.window->isVisible());
    QVERIFY(!values.MainHidden);
    QCOMPARE(host.docked, 0); // the list was not docked
    QCOMPARE(host.unloaded, 1);
}

void TestTrayIcon::showingTheMainWindowBringsTheDockedListBack()
{
    ProgramValues values;
    values.MainViewActive = true;
    values.ListDocked = true;
    FakeWindows host;
    host.window->show();
    TrayIcon tray(values, host);

    tray.TrayLeftClick();
    QCOMPARE(host.docked, 0);
    QVERIFY(values.ListDocked); // hiding keeps the list's place for later
    tray.TrayLeftClick();
    QCOMPARE(host.docked, 1);
}

void TestTrayIcon::leftClickTogglesTheYearViewWhenItWasLastActive()
{
    ProgramValues values;
    values.MainViewActive = false;
    values.OrganizerViewActive = false;
    FakeWindows host;
    host.openYearView();
    host.year->show();
    TrayIcon tray(values, host);

    tray.TrayLeftClick();
    QVERIFY(!host.year->isVisible());
    QVERIFY(values.MainHidden);
    tray.TrayLeftClick();
    QVERIFY(host.year->isVisible());
    QVERIFY(!values.MainHidden);
    QVERIFY(!host.window->isVisible()); // the main window stays as it was
    QCOMPARE(host.unloaded + host.docked, 0);
}

void TestTrayIcon::rightClickEnablesExitOnlyForTheMainView()
{
    ProgramValues values;
    FakeWindows host;
    TrayIcon tray(values, host);

    values.MainViewActive = false;
    tray.TrayRightClick(QPoint(40, 40));
    QVERIFY(host.menu->isVisible());
    QVERIFY(!host.exit->isEnabled());
    host.menu->close();

    values.MainViewActive = true;
    tray.TrayRightClick(QPoint(40, 40));
    QVERIFY(host.exit->isEnabled());
    host.menu->close();

    // A desktop that pops the menu up itself gets the same answer.
    tray.AddTrayIcon();
    values.MainViewActive = false;
    emit host.menu->aboutToShow();
    QVERIFY(!host.exit->isEnabled());
}

void TestTrayIcon::aRightClickPassedOnPopsUpTheMenuOnlyWhereNoneShows()
{
    ProgramValues values;
    values.MainViewActive = true;
    FakeWindows host;
    TrayIcon tray(values, host);
    QSignalSpy shown(host.menu, &QMenu::aboutToShow);

    // A notification area without menus only passes the click on: the program's own menu answers it.
    emit tray.icon()->activated(QSystemTrayIcon::Context);
    QTRY_VERIFY(host.menu->isVisible());
    QCOMPARE(shown.count(), 1);
    QVERIFY(host.exit->isEnabled());

    // Where the menu is already up (Qt's own icon pops it up itself), it is not popped up again.
    emit tray.icon()->activated(QSystemTrayIcon::Context);
    QTest::qWait(0);
    QCoreApplication::processEvents();
    QCOMPARE(shown.count(), 1);
    host.menu->close();

    // A left click is no menu at all.
    emit tray.icon()->activated(QSystemTrayIcon::Trigger);
    QCoreApplication::processEvents();
    QCOMPARE(shown.count(), 1);
}

void TestTrayIcon::iconCarriesTheTipAndNeedsNoNotificationArea()
{
    ProgramValues values;
    FakeWindows host;
    TrayIcon tray(values, host);
    tray.AddTrayIcon();
    QCOMPARE(tray.icon()->toolTip(),
             QStringLiteral("Right click to display menu, left click to display Calendar"));
    QCOMPARE(tray.icon()->contextMenu(), host.menu);
    QCOMPARE(tray.isShown(), QSystemTrayIcon::isSystemTrayAvailable());
    tray.RemoveTrayIcon();
    QVERIFY(!tray.isShown());
}

void TestTrayIcon::restoreBringsBackAHiddenOrMinimisedWindow()
{
    ProgramValues values;
    values.MainViewActive = true;
    values.MainHidden = true;
    values.ListDocked = true;
    FakeWindows host;
    TrayIcon tray(values, host);

    tray.RestoreControlledWindow(); // hidden to the tray: shown as a left click would
    QVERIFY(host.window->isVisible());
    QVERIFY(!values.MainHidden);
    QCOMPARE(host.docked, 1);

    host.window->showMinimized();
    tray.RestoreControlledWindow(); // shown but minimised: restored, and nothing else
    QVERIFY(!(host.window->windowState() & Qt::WindowMinimized));
    QVERIFY(host.window->isVisible());
    QVERIFY(!values.MainHidden);
    QCOMPARE(host.docked, 1);
    QCOMPARE(host.unloaded, 0);
}

QTEST_MAIN(TestTrayIcon)
#include "TestTrayIcon.moc"
