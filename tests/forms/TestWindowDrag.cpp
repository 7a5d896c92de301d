#include "calendar/MainForm.h"
#include "controls/VemraButton.h"
#include "forms/ClickLabel.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"
#include "views/ListDocking.h"

#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The countdown list docked beside the main window follows each drag of the main window by its title
// strip. On a real X server a window manager moves the window (and keeps the mouse meanwhile): the
// program run there with a window manager drives the drags with the real pointer; elsewhere the window
// follows the mouse itself.
class TestWindowDrag : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void theDockedListFollowsEveryDrag();

private:
    bool underWindowManager() const { return m_windowManager.state() == QProcess::Running; }
    // Drags the window by the point of its title strip through the given distance.
    void drag(MainForm& main, QPoint by);

    QProcess m_windowManager;
    QTemporaryDir m_dir;
    std::unique_ptr<WindowTestEnv> m_env;
};

void TestWindowDrag::initTestCase()
{
    const QString manager = qEnvironmentVariable("ZENTRAVIO_TEST_WINDOW_MANAGER");
    if (manager.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    // The window manager says it is ready by making a file once it has started.
    const QString ready = m_dir.filePath(QStringLiteral("ready"));
    m_windowManager.start(manager, {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                                    QStringLiteral("touch ") + ready});
    QVERIFY2(m_windowManager.waitForStarted(), qPrintable(manager + QStringLiteral(" did not start")));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), 20000);
}

void TestWindowDrag::cleanupTestCase()
{
    if (!underWindowManager())
        return;
    m_windowManager.terminate();
    m_windowManager.waitForFinished();
}

void TestWindowDrag::init()
{
    m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
}

void TestWindowDrag::cleanup()
{
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestWindowDrag::drag(MainForm& main, QPoint by)
{
    auto* strip = main.findChild<ClickLabel*>(QStringLiteral("lblTitle(0)"));
    const QPoint from = strip->mapToGlobal(QPoint(strip->width() / 3, strip->height() / 2));
    const QPoint to = from + by;
    if (underWindowManager()) {
        // The real pointer, pressed on the strip, moved in steps and let go, as a hand does it: the pauses
        // give the program and the window manager the moments a hand gives them.
        const auto at = [](QPoint p) { return QStringLiteral("%1 %2").arg(p.x()).arg(p.y()); };
        const QString script = QStringLiteral("xdotool mousemove %1; sleep 0.3; xdotool mousedown 1; sleep 0.5; "
                                              "xdotool mousemove %2; sleep 0.3; xdotool mousemove %3; sleep 0.3; "
                                              "xdotool mouseup 1")
                                   .arg(at(from), at(from + by / 2), at(to));
        QProcess hand;
        hand.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
        QVERIFY(hand.waitForStarted());
        // Once the window manager has the pointer, the window hears nothing more of the button; on some
        // desktops it hears of a release as the window manager takes the pointer over, long before the
        // drag ends.
        QTRY_VERIFY(main.findChild<QObject*>(QStringLiteral("WindowDrag")));
        QMouseEvent taken(QEvent::MouseButtonRelease, strip->mapFromGlobal(from), from, Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(strip, &taken);
        QTRY_COMPARE_WITH_TIMEOUT(hand.state(), QProcess::NotRunning, 20000);
        QCOMPARE(hand.exitCode(), 0);
        return;
    }
    QCursor::setPos(from);
    QTest::mousePress(strip, Qt::LeftButton, {}, strip->mapFromGlobal(from));
    QMouseEvent move(QEvent::MouseMove, strip->mapFromGlobal(to), to, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, strip->mapFromGlobal(to), to, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &release);
}

void TestWindowDrag::theDockedListFollowsEveryDrag()
{
    MainForm& main = m_env->windows().mainForm();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.move(420, 200);
    QTRY_COMPARE(main.pos(), QPoint(420, 200));
    // The command column is unfolded, as the list docks only beside it.
    QCOMPARE(main.findChild<VemraButton*>(QStringLiteral("VemraButton1"))->caption(), QStringLiteral("Hide"));
    QTest::mouseClick(main.findChild<VemraButton*>(QStringLiteral("cmdButton(6)")), Qt::LeftButton);
    FormGrid* list = m_env->windows().loadedListWindow();
    QVERIFY(list);
    QVERIFY(QTest::qWaitForWindowExposed(list));
    const auto beside = [&] {
        return ListDocking::placeOnSide(QRect(main.pos(), main.size()), list->width(), m_env->values().DockSide);
    };
    QTRY_COMPARE(list->pos(), beside());

    // There and back again, three times: each drag ends with the list beside
    // the window where it now stands, not where it stood before.
    for (const QPoint by : {QPoint(60, 70), QPoint(-60, -70), QPoint(60, 70)}) {
        const QPoint target = main.pos() + by;
        drag(main, by);
        QTRY_COMPARE(main.pos(), target);
        QTRY_COMPARE(list->pos(), beside());
    }
}

QTEST_MAIN(TestWindowDrag)
#include "TestWindowDrag.moc"
